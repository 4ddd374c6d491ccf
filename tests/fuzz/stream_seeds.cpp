// Writes the seed corpora of the stream and textform fuzz targets with our own writer:
//   stream_seeds CORPUS/stream CORPUS/textform
// The built-in form, a payload made from it (packed files, changed texts), the test form with
// every property kind, and the smallest streams; the text seeds are their dumps.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/streams.h"
#include "stream/reader.h"
#include "stream/test_classes.h"
#include "stream/textform.h"
#include "stream/writer.h"
#include "wizard/builtinform.h"
#include "wizard/classes.h"
#include "wizard/unitext.h"

namespace {
std::string dirStream, dirText;

void Save(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(dirStream + "/" + name + ".bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  qs::TMemoryStream in(bytes);
  const std::string text = qs::ComponentStreamToText(in);
  std::ofstream(dirText + "/" + name + ".txt", std::ios::binary)
      .write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::vector<std::uint8_t> Written(qs::TComponent& root) {
  qs::TMemoryStream out;
  qs::WriteComponentStream(out, root);
  return out.Bytes();
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: stream_seeds STREAM_DIR TEXT_DIR\n");
    return 2;
  }
  dirStream = argv[1];
  dirText = argv[2];
  qs::RegisterInstallerClasses();

  auto builtin = qs::BuiltInFormTools();
  const std::vector<std::uint8_t> builtinBytes(builtin.begin(), builtin.end());
  Save("builtin", builtinBytes);

  {
    qs::TFormTools form(nullptr);
    qs::TMemoryStream in(builtinBytes);
    qs::ReadComponentStream(in, form);
    form.Label1->SetCaption("Welcome to Demo " + std::string(300, '!'));
    for (bool compress : {true, false}) {
      qs::TFileItem& item = *form.PackFiles1->Items().AddItem();
      item.SetName(compress ? "ILIST.QSP" : "APP.PRC");
      item.Compress = compress;
      const std::string bytes = "Group;Demo;APP.PRC;0;0;Demo group\r\nabcabcabcabcabcabc";
      item.Data().WriteBuffer(bytes.data(), bytes.size());
      item.Data().SetPosition(0);
    }
    Save("payload", Written(form));
  }

  {
    qs::test::TTestForm form;
    form.caption = "Test";
    form.color = 0x8000000F;
    form.ratio = 0.5;
    form.options = 5;
    form.variant.var = qs::VarType::Date;
    form.variant.f = 45000.25;
    form.onClick = {"FormCreate", {}};
    auto* panel = new qs::test::TTestPanel(&form);
    panel->SetName("Panel1");
    panel->SetParentComponent(&form);
    auto* label = new qs::test::TTestLabel(&form);
    label->SetName("Label1");
    label->SetParentComponent(panel);
    label->ref = &form;
    label->lines.lines = {"a", std::string(260, 'b')};
    label->picture.graphic = "TTestGraphic";
    label->picture.bytes = {1, 2, 3};
    auto* notebook = new qs::test::TTestNotebook(&form);
    notebook->SetName("Notebook1");
    notebook->SetParentComponent(&form);
    auto* page = new qs::test::TTestPage(notebook);
    page->SetParentComponent(notebook);
    auto& item = static_cast<qs::test::TTestItem&>(*form.items.Add());
    item.name = "x";
    item.payload = {9, 9};
    item.ref = label;
    static_cast<qs::test::TTestItem&>(*item.sub->Add()).name = "y";
    auto* nv = new qs::test::TTestNonVisual(&form);
    nv->SetName("NonVisual1");
    nv->designLeft = 16;
    Save("testform", Written(form));
  }

  {
    qs::test::TTestForm form;
    Save("minimal", Written(form));
  }
  return 0;
}
