#include "demo/SceneState.h"

SceneState sceneState;
