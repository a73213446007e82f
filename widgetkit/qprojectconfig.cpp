#include "widgetkit/qprojectconfig.h"

namespace {
QProjectConfig *g_config = nullptr;
}

QProjectConfig *QProjectConfig::getProjectConfig()
{
    if (!g_config)
        g_config = new QProjectConfig;
    return g_config;
}

void QProjectConfig::releaseProjectConfig()
{
    delete g_config;
    g_config = nullptr;
}
