// Watermark settings: one preference key per field of the record.
#include "common/qvideosettingxml.h"

namespace {

const QString kGroup = QStringLiteral("WaterMark_Item");

QString scaleText(double value)
{
    return QString::number(value, 'g', 6);
}

int toInt(const QString &text)
{
    return text.toInt();  // 0 when the text is not a number
}

// Every key with the record's value as text, in the order the reader takes them back.
QList<QPair<QString, QString>> entries(const WatermarkImageSettings &s)
{
    return {
        {QStringLiteral("WaterMark_Image"), QString::fromStdString(s.imagePath)},
        {QStringLiteral("WaterMark_Loop"), QString::number(s.loop)},
        {QStringLiteral("WaterMark_Angle"), QString::number(s.angle)},
        {QStringLiteral("WaterMark_Alpha"), QString::number(s.alpha)},
        {QStringLiteral("WaterMark_Scale_x"), scaleText(s.scaleX)},
        {QStringLiteral("WaterMark_Scale_y"), scaleText(s.scaleY)},
        {QStringLiteral("WaterMark_Pos_x"), QString::number(s.posX)},
        {QStringLiteral("WaterMark_Pos_y"), QString::number(s.posY)},
        {QStringLiteral("WaterMark_Border"), QString::number(s.border)},
        {QStringLiteral("WaterMark_Margin_v"), QString::number(s.marginV)},
        {QStringLiteral("WaterMark_Margin_h"), QString::number(s.marginH)},
        {QStringLiteral("WaterMark_Align"), QString::number(s.align)},
    };
}

} // namespace

bool QVideoSettingXml::SaveWaterMarkInfo(const WatermarkImageSettings &s)
{
    return setItemValues(kGroup, entries(s));
}

void QVideoSettingXml::GetWaterMarkInfo(WatermarkImageSettings &s)
{
    const QList<QString> v = getItemValues(kGroup, entries(s));
    s.imagePath = v.at(0).toStdString();
    s.loop = toInt(v.at(1));
    s.angle = toInt(v.at(2));
    s.alpha = toInt(v.at(3));
    s.scaleX = v.at(4).toDouble();
    s.scaleY = v.at(5).toDouble();
    s.posX = toInt(v.at(6));
    s.posY = toInt(v.at(7));
    s.border = toInt(v.at(8));
    s.marginV = toInt(v.at(9));
    s.marginH = toInt(v.at(10));
    s.align = v.at(11).toUInt();
}
