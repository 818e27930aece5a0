#pragma once

#include <QString>

#include <stdexcept>

// An error the user caused (an unknown file type): logged, never shown again.
class EPlannerError : public std::runtime_error
{
public:
    explicit EPlannerError(const QString &message)
        : std::runtime_error(message.toStdString()), FMessage(message) {}
    const QString &Message() const { return FMessage; }

private:
    QString FMessage;
};
