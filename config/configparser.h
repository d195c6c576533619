#pragma once
// ConfigParser: reads flat "key = value" files into a table of byte strings
// and hands values out as text, integers, fractions or booleans.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "orba/error.h"

class ConfigParser {
public:
    ConfigParser() = default;
    virtual ~ConfigParser() = default;

    virtual void clear();                          // empties table and keyOrder
    virtual void load(std::string_view fileName);  // clear, then read the file
    virtual std::string getString(std::string_view key);
    virtual std::int32_t getInt(std::string_view key);  // digits only
    virtual double getFloat(std::string_view key);      // digits and "." only
    virtual bool getBool(std::string_view key);         // 1/on/yes/true, 0/no/off/false
    virtual void set(std::string_view key, std::string_view value);
    virtual void setInt(std::string_view key, std::int32_t value);
    virtual void setFloat(std::string_view key, float value);
    virtual void setBool(std::string_view key, bool value);
    virtual void save(std::string_view fileName);  // empty name: the loaded file
    virtual void dumpJson();
    virtual void dump();

    void checkKey(std::string_view key);  // throws when the key is absent

    std::vector<std::string> keyOrder;
    std::map<std::string, std::string, std::less<>> table;
    std::string fileName;
};
