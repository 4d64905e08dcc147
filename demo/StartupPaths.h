#pragma once

// When the working directory has no "Assets" folder, moves to the executable's folder,
// so the show also starts from a file manager or another directory. Asset names stay relative.
void enterAssetsDirectory();
