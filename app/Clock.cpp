#include "app/Clock.h"

int32_t timeMs = 0;
int32_t deltaMs = 0;
int32_t frameTickMs = 0;
int32_t lastTickMs = 0;
int32_t demoState = 0;
