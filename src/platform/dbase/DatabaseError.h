#pragma once

#include <stdexcept>
#include <string>

namespace dbase {

// Every refusal of the table engine: the message is meant for the user as it stands.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace dbase
