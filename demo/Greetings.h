#pragma once

// One frame of the greetings: the current name waits for its cue, fades in, holds
// for a frame, fades out, and drifts all the while; after the last name, nothing.
void updateGreetings();
