#pragma once
// The maker's web addresses that the menu and the About dialog open.

#include <QUrl>

namespace QProductLinks {

QUrl homePage();
// The product page redirect for a page type ("help").
QUrl redirectPage(const QString &pageType);

} // namespace QProductLinks
