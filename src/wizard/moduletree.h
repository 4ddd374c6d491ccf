// The module tree Tree1 as the module list reader builds it: group nodes at the top level, module
// nodes under them, each module node carrying its own copy of its TModuleRec.
#pragma once
#include <string>
#include <string_view>

#include "wizard/modulelist.h"

namespace qs {

// The group of modules whose group text is blank.
inline constexpr std::string_view kGeneralGroup = "General";
// The group of the packed files marked as runtime components.
inline constexpr std::string_view kRuntimeGroup = "Runtime";

// A module's text in the tree: its Title as stored when that is not blank, otherwise the
// file-name part of its SourcePath.
std::string ModuleTreeText(const TModuleRec& rec);

// The record of a runtime module for the packed file of that name: the name as source path (so
// the installation run finds the packed file by it and installs it under it), group "Runtime",
// no shortcut, no action. False for a name that cannot serve so: empty, longer than the field, or
// with a "\" or ":" (its file-name part would name another file).
bool RuntimeModuleRec(std::string_view packedName, TModuleRec& rec);

}  // namespace qs
