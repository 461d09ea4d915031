#include <windows.h>

#include "app/launcher.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { app::RunLauncher(); }
