#pragma once

#include <QString>

class HostFacts;

// What the client tells the service about the computer: a stable device id and
// the posture record. Each probe gives text and never fails; what cannot be
// learnt is empty (or "none" where the service expects a word).

// An id of this application on this machine, upper-case 8-4-4-4-12. It is the
// registered device id, so how it is derived never changes; the machine's own id
// is neither sent nor logged.
QString GetPlatformUUID(bool logOutput = false);
QString GetSystemSerialNumber();
QString GetModelIdentifier();
QString GetBoardSerial();
// Distribution name, its version and the kernel release, one line.
QString GetOSVersion();
QString GetSystemDomain();
// Kept for the posture record's key; there is no such browser here.
QString GetSafaryVersion();
QString GetFirefoxVersion();
QString GetChromeVersion();
// "Name:output; " for every antivirus product present, else "none".
QString GetAntivirusVersion();

QString dequote(QString text);
QString despace(QString text);
QString denewline(QString text);

// The machine the probes look at; tests put a described one in place, null puts
// the real one back.
HostFacts& hostFacts();
void setHostFacts(HostFacts* facts);
