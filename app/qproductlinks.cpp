#include "app/qproductlinks.h"

#include <QUrlQuery>

namespace {
const char kHome[] = "https://www.velmora-audio.example/";
const char kProductId[] = "2604";
} // namespace

QUrl QProductLinks::homePage()
{
    return QUrl(QString::fromLatin1(kHome));
}

QUrl QProductLinks::redirectPage(const QString &pageType)
{
    QUrl url(QString::fromLatin1(kHome));
    url.setPath(QStringLiteral("/api/product/redirect"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("pid"), QString::fromLatin1(kProductId));
    query.addQueryItem(QStringLiteral("page_type"), pageType);
    url.setQuery(query);
    return url;
}
