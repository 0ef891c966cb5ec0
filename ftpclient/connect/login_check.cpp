#include "login_check.h"

#include "common/client_errors.h"
#include "common/prompter.h"

std::optional<LoginField> checkSendableLogin(const QString& address, const QString& userName,
                                             const QString& password, Prompter& prompter) {
    const std::optional<LoginField> field = unsendableLoginField(userName, password, address);
    if (!field)
        return std::nullopt;
    prompter.beep();
    prompter.message(QStringLiteral("The %1 contains a control character (such as a line break "
                                    "or a tab), which cannot be sent to a server. Remove it and "
                                    "connect again.")
                         .arg(loginFieldName(*field)),
                     Titles::Caption, Prompter::Icon::Critical);
    return field;
}
