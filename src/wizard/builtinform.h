// The built-in form TFORMTOOLS compiled into the program (library qs_wizard_form): the component
// stream of TFormTools with the default texts, options and pictures. The Windows program carries
// the same bytes as its data resource TFORMTOOLS.
#pragma once
#include <cstdint>
#include <span>

namespace qs {

std::span<const std::uint8_t> BuiltInFormTools();

}  // namespace qs
