#pragma once

class QUrl;

namespace ozm {

// Every address the windows hand to the desktop goes through here. Only web
// pages (http, https) and a mail to one plain address leave the program: text
// from the service or a page must not become a command for some other handler.
// Returns whether the address was handed on; a refused one is logged.
bool openExternalUrl(const QUrl& url);

bool isSafeExternalUrl(const QUrl& url);

} // namespace ozm
