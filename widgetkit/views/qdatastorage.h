#pragma once
// Free key/value store of a list item: byte-string keys mapped to the native
// bytes of the stored value. The map does not remember the stored type.

#include <map>
#include <memory>
#include <string>

class QDataStorage
{
public:
    QDataStorage() = default;
    // Items are deleted through base pointers by their owners.
    virtual ~QDataStorage() = default;

    virtual void setStringValue(std::string key, std::string value);
    virtual void setIntValue(std::string key, int value);
    virtual void setInt64Value(std::string key, long long value);
    virtual void setBoolValue(std::string key, bool value);
    virtual void setDoubleValue(std::string key, double value);

    // Absent keys read as "", 0, false or 0.0. A value stored narrower than
    // the type asked for also reads as that zero: nothing is read past it.
    virtual std::string getStringValue(std::string key);
    virtual int getIntValue(std::string key);
    virtual long long getInt64Value(std::string key);
    virtual bool getBoolValue(std::string key);
    virtual double getDoubleValue(std::string key);

private:
    template <typename T> void storeRaw(std::string &&key, T value);
    template <typename T> T loadRaw(const std::string &key) const;

    using Values = std::map<std::string, std::string>;
    Values &values();

    // Made on the first store: most items of a large list never store a key.
    std::unique_ptr<Values> m_values;
};
