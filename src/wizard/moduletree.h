// The module tree Tree1 as the module list reader builds it: group nodes at the top level, module
// nodes under them, each module node carrying its own copy of its TModuleRec.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/contract.h"
#include "wizard/modulelist.h"

namespace qs {

// A module's text in the tree: its Title as stored when that is not blank, otherwise the
// file-name part of its SourcePath.
std::string ModuleTreeText(const TModuleRec& rec);

// The text of the node a module's group names: the group text, or "General" when it is blank.
std::string GroupNodeText(std::string_view group);

// The record of a runtime module for the packed file of that name: the name as source path (so
// the installation run finds the packed file by it and installs it under it), group "Runtime",
// no shortcut, no action. False for a name that cannot serve so: empty, longer than the field, or
// with a "\" or ":" (its file-name part would name another file).
bool RuntimeModuleRec(std::string_view packedName, TModuleRec& rec);

// Where modules land in the module tree, as plain data. The wizard builds Tree1 by it; a builder
// sees by it where the installer will show a product's modules.
class ModuleTreeShape {
 public:
  struct Node {
    std::string text;
    bool module = false;
    std::vector<std::size_t> children;  // in the order they were added
  };
  // Where a module went: the node it hangs under (new when the module's group had no node yet,
  // then a group node at the end of the top level) and its own node.
  struct Placement {
    std::size_t parent;
    bool newGroup;
    std::size_t node;
  };

  // Adds a module node of this text. Its parent is the first node, in display order, whose text
  // is the group's node text (GroupNodeText) exactly - group and module nodes alike, so a group
  // named like an earlier module puts the module under that module.
  Placement AddModule(std::string_view group, std::string text);

  // The nodes, numbered in the order they were added.
  const Node& At(std::size_t index) const { return nodes_[index]; }
  std::size_t Count() const { return nodes_.size(); }

 private:
  bool FindInDisplayOrder(const std::vector<std::size_t>& level, std::string_view text, std::size_t& found) const;

  std::vector<Node> nodes_;
  std::vector<std::size_t> top_;
};

}  // namespace qs
