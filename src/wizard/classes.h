// The stream classes a payload's form may name without a field of the form: the notebook's pages,
// the packed files and the program launcher. Every program that reads a form calls this once
// before it reads.
#pragma once

namespace qs {

void RegisterInstallerClasses();

}  // namespace qs
