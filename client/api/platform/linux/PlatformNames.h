#pragma once

#include <QLatin1String>

// How the client names its platform to the service: in the User-Agent, and as
// the "os" and "osname" values of the commands that send one.
namespace PlatformNames {

// "<application>.GIT_VERSION/<userAgentSystem> <userAgentVersion>"
constexpr QLatin1String userAgentSystem("Linux");
constexpr int userAgentVersion = 0;
constexpr QLatin1String os("linux");

} // namespace PlatformNames
