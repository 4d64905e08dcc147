#pragma once
#include <string>

#include "resources/ShaderKind.h"

class Shader;

// The registry's shader factory: a loaded program of the class the kind selects, or null
// after the console line (and the driver's messages) saying why.
Shader* buildShader(const std::string& name, ShaderKind kind);

// Builds a registered shader again from its edited files (the show's --watch): "Reloaded Shader: "
// and the name on success; otherwise the compilation line with the driver's messages, and the
// old program goes on.
bool rebuildShader(Shader& shader);
