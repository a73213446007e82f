#include "convert/convertconfig.h"

#include "recorder/cavencodeparam.h"

ConvertConfig::ConvertConfig()
{
    clear();
}

ConvertConfig::ConvertConfig(const ConvertConfig &other)
{
    *this = other;
}

ConvertConfig &ConvertConfig::operator=(const ConvertConfig &other)
{
    if (this == &other)
        return *this;
    clear();
    param = other.param ? new CAVEncodeParam(*other.param) : nullptr;
    outputFolder = other.outputFolder;
    sourcePath = other.sourcePath;
    sourceExtension = other.sourceExtension;
    sourceFileName = other.sourceFileName;
    editConfig = other.editConfig;
    outputPath = other.outputPath;
    outputFileName = other.outputFileName;
    return *this;
}

ConvertConfig::~ConvertConfig()
{
    delete param;
}

void ConvertConfig::clear()
{
    delete param;
    param = nullptr;
    editConfig = VEEditConfig();
    outputFolder = sourcePath = sourceExtension = sourceFileName = outputPath = outputFileName =
        QString("");
}
