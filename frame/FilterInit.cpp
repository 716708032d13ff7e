// frame/FilterInit.cpp: loading the antivirus agent plug-ins named in the settings of
// the MTA's other filter agents.
#include "frame/FilterInit.h"

#include <cstdio>

#include "base/RegistryKeys.h"
#include "common/Console.h"
#include "common/DelimitedField.h"
#include "common/RegistryAccess.h"
#include "common/TextSearch.h"
#include "providers/ProviderLibraries.h"

namespace {

// Whether the agent whose key is `agentKey` is enabled and carries an antivirus agent
// plug-in; its file name goes into `provider`. Both switches must be present.
bool AgentCarriesPlugin(const char* agentKey, char (&provider)[128]) {
    uint32_t status = 0;
    (void)ReadRegistryDword(agentKey, values::kStatus, &status);
    if (status != 1) return false;
    uint32_t enabled = 0;
    if (!ReadRegistryDword(agentKey, values::kAntivirusAgentPluginEnabled, &enabled) ||
        enabled != 1)
        return false;
    return ReadRegistryString(agentKey, values::kAntivirusAgentPluginProvider, provider) != 0;
}

// Loads one agent plug-in; a later agent's library replaces an earlier one's handle.
bool LoadAgentPlugin(const char* provider) {
    ConsoleLine("Antivirus Plugin Provider loading library..\n");
    char path[1200];
    ProviderPath(provider, path, sizeof path);
    platform::Library library = platform::LibraryLoad(path);
    if (library == nullptr) {
        ConsoleLine("Antivirus Loading - Unable to locate AV Plugin Provider.\n");
        return false;
    }
    ProviderSet& providers = Providers();
    if (providers.agentPlugin != nullptr)
        providers.replacedAgentPlugins.push_back(providers.agentPlugin);
    providers.agentPlugin = library;
    auto initialise = reinterpret_cast<PluginInitializeEntry>(
        platform::LibraryEntry(library, "PluginInitialize"));
    if (initialise != nullptr)
        initialise();
    else
        ConsoleLine("Antivirus Loading - Unable to locate AV Plugin Initialize.\n");
    return true;
}

}  // namespace

int32_t InitialiseAgentPlugins() {
    char order[1024];
    (void)ReadRegistryString(keys::kFilters, values::kProcessingOrder, order);
    const int count = CountDelimitedFields(order, ",");
    for (int item = 1; item <= count; ++item) {
        char name[128];
        if (!GetDelimitedField(order, ",", item, name)) name[0] = '\0';
        if (SameTextNoCase(name, keys::kPluginName)) continue;  // our own key
        char agentKey[1200];
        std::snprintf(agentKey, sizeof agentKey, "%s\\%s", keys::kFilters, name);
        char provider[128];
        if (!AgentCarriesPlugin(agentKey, provider)) continue;
        if (!LoadAgentPlugin(provider)) {
            ConsoleFlush();
            return 0;
        }
    }
    ConsoleFlush();
    return 1;
}
