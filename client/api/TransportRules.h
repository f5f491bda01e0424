#pragma once

#include <QList>
#include <QSslError>

class QNetworkReply;
class QUrl;

// What every HTTP fetch of the client holds to, the service API's and the
// diagnostics' alike: which redirects it follows and which certificates it
// trusts.
namespace TransportRules {

// Redirects followed for one request; the next one ends it.
constexpr int MaxRedirects = 20;

// Only to https, or from http to http: downgrading would carry the query,
// passwords and all, in clear; other schemes would reach files or resources of
// the program itself.
bool allowsRedirect(const QUrl& from, const QUrl& to);

// Adds the certificates in "<application folder>/certs/*.pem" to the process's
// trusted ones, the system's staying trusted. Once per process, whichever
// thread asks first; the application folder must be set by then.
void trustExtraCertificates();

// The ignore list every request carries: an expired certificate, named
// without one, which matches no error a handshake meets; so every certificate
// error, expiry included, fails the request.
void applyIgnoredCertificateErrors(QNetworkReply* reply);
// "SSL errors:" and a line for each, at debug level: whether the handshake
// goes on was settled by applyIgnoredCertificateErrors.
void logCertificateErrors(const QList<QSslError>& errors);

} // namespace TransportRules
