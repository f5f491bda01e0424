#pragma once

// The operator's public web host. Reaching it directly, without the tunnel, is
// what "the Internet is there" means to the backend; the client's diagnostics
// fetch its confirmation page.
constexpr const char OperatorWebHost[] = "www.ozmira.com";
