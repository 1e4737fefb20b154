#include "ui/chat/ChatWindows.h"

#include "ui/MainWindow.h"
#include "ui/chat/ChatWindow.h"
#include "ui/chat/MessagesWindow.h"

namespace td {
namespace {

// The one window of the type under the main window, made on first use.
template <class Window>
Window* childWindow(MainWindow& main, const char* objectName) {
  if (auto* window = main.findChild<Window*>(objectName, Qt::FindDirectChildrenOnly)) return window;
  return new Window(&main);
}

}  // namespace

void installChatWindows(MainWindow& window) {
  window.addToolbarButton(QStringLiteral("Chat"), QStringLiteral("chatButton"), [&window] {
    ChatWindow* chat = childWindow<ChatWindow>(window, "chatWindow");
    window.placeChildWindow(chat);
    chat->showWindow();
  });
  window.addToolbarButton(QStringLiteral("Messages"), QStringLiteral("messagesButton"), [&window] {
    MessagesWindow* messages = childWindow<MessagesWindow>(window, "messagesWindow");
    window.placeChildWindow(messages);
    messages->showWindow();
  });
}

}  // namespace td
