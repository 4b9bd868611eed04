// The configuration file "init.dat" in the data folder "voxtrel" inside the user's
// application-data folder: found, created, loaded once at start and saved on request.
#pragma once

#include "registry/desktop.h"

namespace voxtrel {

constexpr const char* CONFIG_FILE = "init.dat";
constexpr const char* CONFIG_BACKUP = "init.dat.bak";  // the file the last save replaced
constexpr const char* CONFIG_STAGING = "init.dat.new"; // a save being written

// Makes the data folder the current directory, creating it if needed; false on failure.
bool enterDataFolder();

// Reads the configuration into the registry and starts its cursors: 1 when that was done (a
// file with no cursor included), 0 when the default cursor should be made instead. When
// init.dat cannot be loaded but the backup of the last save can, the backup's cursors start.
int loadConfig();

// Writes the registry to the configuration file. The old file is replaced only by a complete,
// flushed new one, and kept as the backup.
void saveConfig();

} // namespace voxtrel
