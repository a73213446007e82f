#include "media/vevideosettings.h"

#include "media/veeditconfig.h"

VECropSettings::VECropSettings()
{
    VEEditConfig::registerMetaTypes();
}
