#pragma once
// The one exception type of the engine: it carries a message text and nothing else.
#include <stdexcept>
#include <string>

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};
