// The link's side of the workbench: reading the sensor's configuration without touching the
// working copy, and keeping every configuration read from the sensor as a snapshot.
#pragma once

#include "params/configuration.h"

// The identity of the sensor the last identification found.
SensorIdentity ConnectedSensorIdentity();

// Reads the parameter set and teach rows 0 to 31 from the sensor's working memory (order 2,
// blocks 0 and 2; no EEPROM load, so nothing on the sensor changes) into *configuration; rows
// 32 to 63, which never travel, are taken from the working copy. The read is kept as a snapshot
// (when it differs from the sensor's newest) that gives reason as its own. Returns 1, or -1
// when an exchange failed (already reported as a link error; *configuration is then unchanged).
int ReadSensorConfiguration(Configuration* configuration, const char* reason);

// Keeps the working copy, just read from the sensor, as a snapshot of the connected sensor
// giving reason. A failure to write it goes to the status box, in words, and changes nothing
// else.
void SnapshotSensorRead(const char* reason);
