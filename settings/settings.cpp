#include "settings/settings.h"

namespace settings {

Settings gSettings;
int32_t gWorkAreaLeft = 0;
int32_t gWorkAreaTop = 0;
int32_t gWorkAreaRight = 0;
int32_t gWorkAreaBottom = 0;
int32_t gDisplayWidth = 0;
int32_t gDisplayHeight = 0;

Area WorkArea() { return Area{gWorkAreaLeft, gWorkAreaTop, gWorkAreaRight, gWorkAreaBottom}; }

Area PrimaryDisplay() { return Area{0, 0, gDisplayWidth, gDisplayHeight}; }

std::string TitleWithVersion() { return gSettings.Title + " v" + gSettings.Version; }

std::string StartDirectoryFile(const char* name) { return gSettings.StartDirectory + name; }

}  // namespace settings
