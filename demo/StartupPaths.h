#pragma once

// When the working directory has no "Assets" folder, moves to the executable's folder,
// so the show also starts from a file manager or another directory. Asset names stay relative.
void enterAssetsDirectory();

// Opens /dev/null as standard input, output or error where the process was started without one
// (`>&-`): the next file or socket opened would take that number, and the console lines would go
// into it (the show's X11 connection, which then stalls). Called first thing, before anything opens.
void keepStandardStreamsOpen();
