#pragma once
// The contacts outline of the chat window: the contact groups of the logged-in user and, under each,
// the contacts who belong to it, each with an online dot. Choosing a contact tells the chat window
// which conversation to open.
//
// The tree is built from the session's groups and users (groups in the order of their ids, users
// in the order of their names, both as a file browser sorts: without regard to case, runs of digits
// by their value). It has two levels: a user whose group is not known is not shown, and a group
// without users is shown empty. Afterwards only the online dots follow the users' status; the
// chat window builds the tree again when a contact list arrives.

#include <QAbstractItemModel>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace td::chat {

// One row of the outline.
struct Node {
  std::string displayname;              // the group's name, or the user's display name
  std::optional<std::string> username;  // the user's name (the conversation's key); none for a group
  std::vector<std::unique_ptr<Node>> children;
  bool isGroup = false;
  bool isUserOnline = false;
  Node* parent = nullptr;
  int row = 0;  // among the parent's children
};

class ContactsViewDelegate {
 public:
  virtual ~ContactsViewDelegate() = default;
  // A user row hands over the user's name and display name; a group row no user name and the
  // group's name.
  virtual void userSelectedAtIndex(const std::optional<std::string>& userName,
                                   const std::optional<std::string>& displayName) = 0;
};

class ContactsOutlineViewController final : public QAbstractItemModel {
  Q_OBJECT
 public:
  using QAbstractItemModel::QAbstractItemModel;

  // Builds the tree anew from the session of the moment (empty without a session or contact list).
  void buildTree();
  // Copies each user's online flag again (clear for a user no longer known); names, groups and
  // membership stay as built.
  void UpdateChatUserOnlineStatus();
  // Draws every row again.
  void outlineviewReload();
  // The row being chosen: every row but the first (the first group) is reported to the delegate.
  void outlineViewSelectionIsChanging(const QModelIndex& index);

  void setContactsDelegate(ContactsViewDelegate* delegate) { contactsDelegate_ = delegate; }
  const Node& rootNode() const { return root_; }
  // The row of a contact, or an invalid index.
  QModelIndex indexOfUser(const std::string& userName) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // A group is expandable, users or none.
  bool hasChildren(const QModelIndex& parent = {}) const override;
  // Display: the display name; StatusImageRole: the user's dot (none for a group); GroupRowRole.
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const Node* nodeAt(const QModelIndex& index) const;
  QModelIndex indexOf(const Node& node) const;

  Node root_;
  ContactsViewDelegate* contactsDelegate_ = nullptr;
};

}  // namespace td::chat
