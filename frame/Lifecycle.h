// frame/Lifecycle.h: what happens when the library is loaded into the MTA and when it
// is unloaded. Kept as plain functions so that tests can run them without a loader.
#pragma once

// Loads the settings, the report log, the DNS provider, the system filters and the
// scanning providers, in that order. Nothing here can fail the load: a missing
// library or setting only switches a feature off.
void InitializePlugin();

// Releases everything InitializePlugin set up, in reverse dependency order, and closes
// the report log with its End line. The DNS provider stays loaded.
void TeardownPlugin();
