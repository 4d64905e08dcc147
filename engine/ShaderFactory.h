#pragma once
#include <string>

#include "resources/ShaderKind.h"

class Shader;

// The registry's shader factory: a loaded program of the class the kind selects, or null
// after the console line (and the driver's messages) saying why.
Shader* buildShader(const std::string& name, ShaderKind kind);
