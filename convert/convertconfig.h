#pragma once
// One conversion request: the encoder parameters, where the source is, where
// the copy goes, and the edit record. Every copy is deep, so a request can
// be handed from the table to the job and on to the worker.

#include "media/veeditconfig.h"

#include <QString>

class CAVEncodeParam;

class ConvertConfig
{
public:
    ConvertConfig();
    ConvertConfig(const ConvertConfig &other);
    ConvertConfig &operator=(const ConvertConfig &other);
    ~ConvertConfig();

    // Frees the parameter record and empties every field.
    void clear();

    CAVEncodeParam *param = nullptr; // owned; none in a new request
    QString outputFolder;            // ends with "/": joined to the name as it stands
    QString sourcePath;
    QString sourceExtension;         // as the history record has it
    QString sourceFileName;          // with its extension
    VEEditConfig editConfig;
    QString outputPath;              // set when the job starts
    QString outputFileName;          // set when the job starts
};
