// A readable text form of component streams, made and read without knowing any class.
//
//   object FormTools: TFormTools        a component record ("object TPage" when the name is empty;
//     Caption = 'Installation'          "inherited" for the prefix flag "existing"; a trailing
//     Font.Style = [fsBold, fsItalic]   "[3]" for a child position)
//     Lines.Strings = (                 a list: one value per element
//       'first line'
//       'second'#13#10'with a break'    text: quoted runs with '' for a quote, #N for other bytes
//     )
//     Picture.Data = {                  binary: hexadecimal bytes, 32 to a line
//       0A544A504547496D616765
//     }
//     Items = <                         a collection: items ("item [2]" with an order value)
//       item
//         Name = 'ILIST.QSP'
//       end
//     >
//     object Label1: TLabel             children after the properties
//     end
//   end
//
// Values: integers (-11; the smallest tag is chosen), floats (1.5, 2.0e10: with "." or "e"),
// identifiers (bsDialog; False, True, nil and Null are their own tags), Ident('any text') for an
// identifier that is not a plain name or that would read as one of those four, and the rarer
// tags as Extended($<10 bytes hex>), Single(1.5), Date(45000.5), Currency(12.3456) and
// WideString('text'#8364). Names that are not plain identifiers are written as quoted text.
// The text is free-form; "//" starts a comment that runs to the end of the line.
#pragma once
#include <string>
#include <string_view>

#include "core/errors.h"

namespace qs {

class TStream;

// Malformed text: "line N: what is wrong".
class ETextFormError : public Exception {
 public:
  using Exception::Exception;
};

// Writes the text form of the component stream at in's position to out. Raises the reader's
// errors (EReadError) on malformed data; what was written before the failure stays in out.
// Bytes after the root's record are left unread, the stream positioned just past the record.
void DumpComponentStream(TStream& in, std::string& out);
std::string ComponentStreamToText(TStream& in);

// Writes the component stream (signature included) that a text form describes.
void TextToComponentStream(std::string_view text, TStream& out);

}  // namespace qs
