#pragma once

#include <string>
#include <vector>

namespace qinghe::platform {

// A node to add, with the nodes below it.
struct TreeNode {
    std::string key;
    std::string text;
    std::vector<TreeNode> children;
};

// The channel tree. Nodes are addressed by their unique string key; every
// failing call throws PlatformError and leaves the tree unchanged.
class TreeView {
public:
    virtual ~TreeView() = default;

    // Appends a top-level node after the existing ones. Fails when the key
    // is already in the tree.
    virtual void add_root(const std::string& key, const std::string& text) = 0;
    // Appends a node as the last child of the node keyed parent_key. Fails
    // when the key is taken or the parent does not exist.
    virtual void add_child(const std::string& parent_key, const std::string& key, const std::string& text) = 0;
    // Removes the node and its whole subtree; the keys are free at once.
    virtual void remove(const std::string& key) = 0;
    // Appends the nodes, each with its subtree, as the last children of the
    // node keyed parent_key, in one change of the tree. All or nothing:
    // fails, leaving the tree unchanged, when the parent does not exist or a
    // key is taken or given twice.
    virtual void add_children(const std::string& parent_key, const std::vector<TreeNode>& nodes) = 0;
    // Removes every child of the node keyed parent_key with its subtree and
    // puts the nodes in their place, in one change of the tree; the old keys
    // are free for the new nodes. All or nothing, as add_children.
    virtual void replace_children(const std::string& parent_key, const std::vector<TreeNode>& nodes) = 0;

    virtual bool contains(const std::string& key) const = 0;
    // The calls below fail when no node has the key.
    virtual std::string text(const std::string& key) const = 0;
    virtual void set_text(const std::string& key, const std::string& text) = 0;
    // Number of direct children.
    virtual int children(const std::string& key) const = 0;
    // Key of the first child; fails when there is none.
    virtual std::string child(const std::string& key) const = 0;
    // Key of the next sibling; fails when there is none.
    virtual std::string next(const std::string& key) const = 0;
    virtual bool expanded(const std::string& key) const = 0;
    virtual void set_expanded(const std::string& key, bool expanded) = 0;

    // Display settings.
    virtual void set_indentation(int twips) = 0;
    virtual void set_line_style(int style) = 0;  // 1: lines join the top-level nodes too
    virtual void set_label_edit(int mode) = 0;   // 1: no in-place editing of texts
};

}  // namespace qinghe::platform
