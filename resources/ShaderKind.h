#pragma once
#include <cstdint>

// Selects the Shader class the factory builds; the gaps in the numbering have no class.
enum ShaderKind : int32_t {
    ShaderKindColor = 0,
    ShaderKindTexture = 1,
    ShaderKindEffect = 5,
    ShaderKindTexture3D = 8,
    ShaderKindPlaneMusic = 9,
};
