// tools/ServerConfiguration.cpp: the plug-in's start-up settings for the mtafilter reports.
#include "tools/ServerConfiguration.h"

#include <string>

#include "base/RegistryKeys.h"
#include "base/Settings.h"
#include "platform/Files.h"
#include "tools/CommandLine.h"

int ReadServerConfiguration(const char* command, char* configuration, size_t capacity) {
    ResetSettings();
    ReadGeneralSettings();  // "Allow Pattern Caching" changes what loading does
    RefreshDirectoryGroup(nullptr);
    ReadStoreSettings();
    CurrentConfigurationDirectory(configuration, capacity);
    if (configuration[0] == '\0') {
        Failure(command, std::string("\"") + values::kConfigurationDirectory +
                             "\" is not set; set it with: mtafilter registry set \"HKLM\\" +
                             keys::kRoot + "\" \"" + values::kConfigurationDirectory +
                             "\" sz:DIRECTORY");
        return 0;
    }
    if (!platform::DirectoryExists(configuration)) {
        Failure(command, std::string("the configuration directory ") + configuration +
                             " does not exist; correct \"" + values::kConfigurationDirectory +
                             "\" with 'mtafilter registry set'");
        return 0;
    }
    return 1;
}
