#include "ui/chat/ContactsOutlineViewController.h"

#include <QCollator>
#include <algorithm>

#include "session/BusinessBase.h"
#include "ui/chat/ChatContext.h"
#include "ui/chat/ChatItems.h"

namespace td::chat {
namespace {

// The keys of a collection in the order a file browser lists names.
template <class Collection>
std::vector<std::string> sortedKeys(const Collection& collection) {
  QCollator collator{QLocale(QLocale::English, QLocale::UnitedStates)};
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::vector<std::pair<QString, std::string>> keys;
  keys.reserve(collection.size());
  for (const auto& entry : collection) keys.emplace_back(QString::fromStdString(entry.first), entry.first);
  std::stable_sort(keys.begin(), keys.end(),
                   [&](const auto& a, const auto& b) { return collator.compare(a.first, b.first) < 0; });
  std::vector<std::string> out;
  out.reserve(keys.size());
  for (auto& key : keys) out.push_back(std::move(key.second));
  return out;
}

Node& append(Node& parent, std::unique_ptr<Node> child) {
  child->parent = &parent;
  child->row = static_cast<int>(parent.children.size());
  parent.children.push_back(std::move(child));
  return *parent.children.back();
}

}  // namespace

void ContactsOutlineViewController::buildTree() {
  beginResetModel();
  root_.children.clear();
  if (const ChatModel* chat = model(session())) {
    const std::vector<std::string> users = sortedKeys(chat->UserChatCollection());
    for (const std::string& groupKey : sortedKeys(chat->GroupChatCollection())) {
      const std::shared_ptr<ChatGroup> group = chat->group(groupKey);
      if (!group) continue;
      auto groupNode = std::make_unique<Node>();
      groupNode->displayname = group->GroupName;
      groupNode->isGroup = true;
      Node& added = append(root_, std::move(groupNode));
      for (const std::string& userKey : users) {
        const std::shared_ptr<ChatUser> user = chat->user(userKey);
        if (!user || user->GroupId != group->GroupID) continue;
        auto userNode = std::make_unique<Node>();
        userNode->displayname = user->DisplayName;
        userNode->username = user->UserName;
        userNode->isUserOnline = user->IsUserOnline;
        append(added, std::move(userNode));
      }
    }
  }
  endResetModel();
}

void ContactsOutlineViewController::UpdateChatUserOnlineStatus() {
  const ChatModel* chat = model(session());
  for (const auto& group : root_.children) {
    for (const auto& user : group->children) {
      const std::shared_ptr<ChatUser> record = chat && user->username ? chat->user(*user->username) : nullptr;
      user->isUserOnline = record && record->IsUserOnline;
    }
    if (!group->children.empty()) {
      const QModelIndex parent = indexOf(*group);
      emit dataChanged(index(0, 0, parent), index(static_cast<int>(group->children.size()) - 1, 0, parent),
                       {StatusImageRole});
    }
  }
}

void ContactsOutlineViewController::outlineviewReload() {
  for (const auto& group : root_.children) {
    const QModelIndex at = indexOf(*group);
    emit dataChanged(at, at);
    if (!group->children.empty())
      emit dataChanged(index(0, 0, at), index(static_cast<int>(group->children.size()) - 1, 0, at));
  }
}

void ContactsOutlineViewController::outlineViewSelectionIsChanging(const QModelIndex& index) {
  const Node* node = nodeAt(index);
  if (!node || !contactsDelegate_) return;
  // The first row is the first group: choosing it does nothing.
  if (node->parent == &root_ && node->row == 0) return;
  contactsDelegate_->userSelectedAtIndex(node->username, node->displayname);
}

QModelIndex ContactsOutlineViewController::indexOfUser(const std::string& userName) const {
  for (const auto& group : root_.children) {
    for (const auto& user : group->children) {
      if (user->username == userName) return indexOf(*user);
    }
  }
  return {};
}

const Node* ContactsOutlineViewController::nodeAt(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return nullptr;
  return static_cast<const Node*>(index.internalPointer());
}

QModelIndex ContactsOutlineViewController::indexOf(const Node& node) const {
  if (&node == &root_) return {};
  return createIndex(node.row, 0, const_cast<Node*>(&node));
}

QModelIndex ContactsOutlineViewController::index(int row, int column, const QModelIndex& parent) const {
  const Node* owner = parent.isValid() ? nodeAt(parent) : &root_;
  if (!owner || column != 0 || row < 0 || row >= static_cast<int>(owner->children.size())) return {};
  return indexOf(*owner->children[static_cast<std::size_t>(row)]);
}

QModelIndex ContactsOutlineViewController::parent(const QModelIndex& child) const {
  const Node* node = nodeAt(child);
  if (!node || !node->parent) return {};
  return indexOf(*node->parent);
}

int ContactsOutlineViewController::rowCount(const QModelIndex& parent) const {
  const Node* owner = parent.isValid() ? nodeAt(parent) : &root_;
  return owner && parent.column() <= 0 ? static_cast<int>(owner->children.size()) : 0;
}

int ContactsOutlineViewController::columnCount(const QModelIndex&) const { return 1; }

bool ContactsOutlineViewController::hasChildren(const QModelIndex& parent) const {
  if (!parent.isValid()) return !root_.children.empty();
  const Node* node = nodeAt(parent);
  return node && node->isGroup;
}

QVariant ContactsOutlineViewController::data(const QModelIndex& index, int role) const {
  const Node* node = nodeAt(index);
  if (!node) return {};
  switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(node->displayname);
    case StatusImageRole: {
      const StatusImage image = node->isGroup         ? StatusImage::NoImage
                                : node->isUserOnline ? StatusImage::StatusAvailable
                                                     : StatusImage::StatusNone;
      return static_cast<int>(image);
    }
    case GroupRowRole: return node->isGroup;
    default: return {};
  }
}

}  // namespace td::chat
