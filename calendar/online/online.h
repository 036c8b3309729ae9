// Online picture catalogue and version check.
#pragma once

void UpdateOnlineCatalog();
void CheckForNewVersion();
