// frame/FilterInit.h: the MTA's start call, which brings up the antivirus agent
// plug-ins that the other filter agents name.
#pragma once

#include <cstdint>

// Walks "Processing Order"; for each enabled agent that carries an antivirus agent
// plug-in, loads it from the provider directory and initialises it. Returns 0 at the
// first such library that cannot be loaded (later agents are not examined), else 1.
int32_t InitialiseAgentPlugins();
