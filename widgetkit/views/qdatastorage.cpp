#include "qdatastorage.h"

#include <cstring>

QDataStorage::Values &QDataStorage::values()
{
    if (!m_values)
        m_values = std::make_unique<Values>();
    return *m_values;
}

template <typename T>
void QDataStorage::storeRaw(std::string &&key, T value)
{
    values()[std::move(key)] = std::string(reinterpret_cast<const char *>(&value), sizeof(T));
}

template <typename T>
T QDataStorage::loadRaw(const std::string &key) const
{
    T value{};
    if (!m_values)
        return value;
    const auto it = m_values->find(key);
    if (it == m_values->end() || it->second.size() < sizeof(T))
        return value;
    std::memcpy(&value, it->second.data(), sizeof(T));
    return value;
}

void QDataStorage::setStringValue(std::string key, std::string value)
{
    values()[std::move(key)] = std::move(value);
}

void QDataStorage::setIntValue(std::string key, int value)
{
    storeRaw(std::move(key), value);
}

void QDataStorage::setInt64Value(std::string key, long long value)
{
    storeRaw(std::move(key), value);
}

void QDataStorage::setBoolValue(std::string key, bool value)
{
    storeRaw(std::move(key), static_cast<unsigned char>(value ? 1 : 0));
}

void QDataStorage::setDoubleValue(std::string key, double value)
{
    storeRaw(std::move(key), value);
}

std::string QDataStorage::getStringValue(std::string key)
{
    if (!m_values)
        return std::string();
    const auto it = m_values->find(key);
    return it == m_values->end() ? std::string() : it->second;
}

int QDataStorage::getIntValue(std::string key)
{
    return loadRaw<int>(key);
}

long long QDataStorage::getInt64Value(std::string key)
{
    return loadRaw<long long>(key);
}

bool QDataStorage::getBoolValue(std::string key)
{
    return loadRaw<unsigned char>(key) != 0;
}

double QDataStorage::getDoubleValue(std::string key)
{
    return loadRaw<double>(key);
}
