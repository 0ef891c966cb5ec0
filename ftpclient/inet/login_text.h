#pragma once

#include <QString>

#include <optional>

// The parts of a login that go to the server as text.
enum class LoginField { UserName, Password, Address };

// The first of the user name, the password and the server address that
// holds a control character (see control_characters.h), in the address
// also where it is percent-encoded; nothing when none does. Such a login is
// never sent: a CR LF in a password would pass what follows for commands.
std::optional<LoginField> unsendableLoginField(const QString& userName, const QString& password,
                                               const QString& address);

// How a message names the part: "user name", "password", "host address".
QString loginFieldName(LoginField field);

// `url` as a message may show it: the password of its user part, if any,
// replaced by "***". It needs no valid URL; when in doubt it hides more.
QString urlWithoutPassword(const QString& url);
