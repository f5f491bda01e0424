#pragma once

// Registers the four shared enumerations so they travel through queued calls.
void registerSharedMetaTypes();
