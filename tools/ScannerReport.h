// tools/ScannerReport.h: the scanning providers' states as the mtafilter reports show
// them, so that an administrator sees which scanners took part.
#pragma once

#include <string>

#include "providers/ProviderOverview.h"
#include "tools/Json.h"

// Reads the settings that loading the scanners depends on and inspects, without
// calling any, the scanners the plug-in loads with them.
ScannerOverviewList InspectServerScanners();

// "DKIM off, Bayesian ready, SpamAssassin failed to load, Antivirus unavailable".
std::string ScannersText(const ScannerOverviewList& scanners);

// "DKIM": "off", "Bayesian": "ready", ... as members of a JSON object.
JsonMembers ScannerMembers(const ScannerOverviewList& scanners);

// {"DKIM":"off","Bayesian":"ready",...}
std::string ScannersJson(const ScannerOverviewList& scanners);
