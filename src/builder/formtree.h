// Form overrides: the difference between two component streams as a text-form fragment, and that
// fragment applied onto a stream. The builder makes a product's form from the built-in one; a form
// from another builder can differ in ways a manifest cannot say (a moved control, another font,
// a component the built-in form lacks). Such differences travel as a fragment that the build
// applies last.
//
// The fragment is text form (see stream/textform.h), read record by record against the form it
// is applied to:
//
//   object FormTools: TFormTools         the root, always matched
//     Font.Name = 'Arial'                a property set: replaced where the form has it, else added
//     '(remove)' = ('OldCreateOrder')    properties to drop
//     '(properties)' = ('Left' 'Top')    the final order of the properties, when it matters
//     '(children)' = ('Label1' ':TPage') the final children in order (':Class' for an unnamed
//                                        one); children left out are dropped
//     object Label1: TLabel              a child, matched by name (unnamed ones by class and
//       Left = 24                        their order among the unnamed of that class); a child
//     end                                that matches none, or whose class differs, is taken whole
//   end
//
// Names in parentheses cannot be property names of any class, so they never clash.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

// Whether two values of a property, in text form, mean the same although they differ; given the
// path of the component ("FormTools.PackFiles1") and the property's name.
using SameMeaning =
    std::function<bool(const std::string& path, const std::string& property, const std::string&, const std::string&)>;

struct FormDifference {
  std::string fragment;               // empty when none
  std::vector<std::string> warnings;  // one per thing the fragment carries
};

// What turns `built` into `original`, both component streams (bytes after the root's record are
// not compared). Differences the format allows without changing what a reader makes of them are
// not differences: integer and string tag widths, identifier case, set order, collection order
// values. Raises the reader's errors.
FormDifference DiffForms(const std::vector<std::uint8_t>& original, const std::vector<std::uint8_t>& built,
                         const SameMeaning& same = {});

// The stream with a fragment applied (written afresh: the smallest tags). Raises BuildError for a
// fragment that is not text form.
std::vector<std::uint8_t> ApplyFormOverrides(const std::vector<std::uint8_t>& stream, std::string_view fragment);

}  // namespace qs
