#pragma once

// Copies the design frame of the window (its letterboxed viewport) into the
// "Screenshot" render target, upside down so the target's rows run top to bottom
// like an image's; nothing happens without a valid target.
void copyWindowToScreenshot();
