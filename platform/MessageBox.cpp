#include "MessageBox.h"

#include <cstdio>
#include <string>
#include <utility>

namespace platform {
namespace {

MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}

} // namespace

void ShowMessageBox(std::string_view text)
{
    if (Handler()) {
        Handler()(text);
        return;
    }
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    Handler() = std::move(handler);
}

} // namespace platform
