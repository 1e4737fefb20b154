#pragma once
// The chat family's place in the main window: the toolbar buttons "Chat" (the chat window) and
// "Messages" (the notice messages), each window made on the first click and kept, placed over the
// main window and brought to the front at every click.

namespace td {

class MainWindow;

void installChatWindows(MainWindow& window);

}  // namespace td
