#pragma once

#include "login_text.h"

#include <QString>

#include <optional>

class Prompter;

// True when the address, user name and password can be sent to a server;
// otherwise tells the user which of them holds a control character (never
// showing the password) and returns the field at fault.
std::optional<LoginField> checkSendableLogin(const QString& address, const QString& userName,
                                             const QString& password, Prompter& prompter);
