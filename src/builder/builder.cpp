#include "builder/builder.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/errors.h"
#include "core/streams.h"
#include "core/text.h"
#include "packer/gcompress.h"
#include "packer/gpackfiles.h"
#include "stream/reader.h"
#include "stream/writer.h"
#include "ui/graphics.h"
#include "ui/stdctrls.h"
#include "wizard/builtinform.h"
#include "wizard/moduletree.h"
#include "wizard/unitext.h"

namespace qs {

namespace {

template <std::size_t N>
bool Among(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

// The packed file the installer finds under a name: the first whose name matches once a-z are
// upper-cased.
const PackedFileDescription* FindPacked(const InstallerDescription& product, std::string_view name) {
  for (const auto& f : product.files)
    if (SameTextAZ(f.name, name)) return &f;
  return nullptr;
}

void CheckFileName(std::string_view name, const std::string& what) {
  bool bad = name.empty() || name.size() > 255 || name.find_first_of("\\:/") != std::string_view::npos ||
             std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 32; });
  if (bad) throw BuildError(what + ": " + Quoted(name) + " is not a file name");
}

}  // namespace

std::vector<std::uint8_t> PackedFileDescription::Bytes() const {
  if (!open) return bytes;
  auto source = open();
  TMemoryStream copy;
  if (length > 0) copy.CopyFrom(*source, static_cast<std::int64_t>(length));
  return std::move(copy.Bytes());
}

void CheckStub(const std::vector<std::uint8_t>& stub) {
  if (stub.size() != kStubSize)
    throw BuildError("the stub is " + std::to_string(stub.size()) + " bytes long; a Quillset.exe stub is exactly " +
                     std::to_string(kStubSize) + " bytes (is it a stub, or an installer that already has a payload?)");
  if (stub.size() < 2 || stub[0] != 'M' || stub[1] != 'Z') throw BuildError("the stub is not a Windows program");
}

std::vector<std::string> CheckInstallerDescription(const InstallerDescription& product) {
  std::vector<std::string> warnings;

  // Options and captions name controls of the form; a misspelt name would silently do nothing.
  std::vector<std::string> seen;
  for (const auto& [name, on] : product.options) {
    if (!Among(kOptionNames, name)) throw BuildError("unknown option " + Quoted(name));
    if (std::find(seen.begin(), seen.end(), name) != seen.end())
      throw BuildError("option " + Quoted(name) + " is given twice");
    seen.push_back(name);
  }
  seen.clear();
  for (const auto& [name, text] : product.captions) {
    bool message = Among(kMessageNames, name);
    if (!message && !Among(kPageTextNames, name) && !Among(kNumberNames, name))
      throw BuildError("no text of the installer is called " + Quoted(name));
    if (std::find(seen.begin(), seen.end(), name) != seen.end())
      throw BuildError("the text " + Quoted(name) + " is given twice");
    seen.push_back(name);
    // Message boxes show a label's caption through a 1,024-byte buffer that ends at a zero byte.
    if (message && text.size() > kMaxMessageText)
      throw BuildError("the message " + Quoted(name) + " is " + std::to_string(text.size()) +
                       " bytes long; a message box shows at most " + std::to_string(kMaxMessageText));
    if (message && text.find('\0') != std::string::npos)
      throw BuildError("the message " + Quoted(name) + " holds a zero byte, which would cut it short");
  }

  // Pictures must be what they claim: the installer shows the banner and takes its icon from them.
  if (product.bannerJpeg) {
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(*product.bannerJpeg);
    if (jpeg.Pixels().width == 0)
      throw BuildError("the banner is not a JPEG picture the installer can show" +
                       (jpeg.DecodeError().empty() ? std::string() : ": " + jpeg.DecodeError()));
  }
  if (product.icon) {
    TIcon icon;
    icon.LoadFromBytes(*product.icon);
    if (icon.Empty()) throw BuildError("the icon is not a Windows icon file");
  }

  // Packed files: names the installer can tell apart, and lengths the stream can carry.
  for (std::size_t i = 0; i < product.files.size(); ++i) {
    const auto& f = product.files[i];
    std::string what = "packed file " + Quoted(f.name) + (f.origin.empty() ? "" : " (" + f.origin + ")");
    CheckFileName(f.name, what);
    if (SameTextAZ(f.name, kModuleListName))
      throw BuildError(what + ": that name is the module list's, which the builder writes itself");
    for (std::size_t j = 0; j < i; ++j)
      if (SameTextAZ(product.files[j].name, f.name))
        throw BuildError(what + ": another packed file is called " + Quoted(product.files[j].name) +
                         "; the installer would only ever find the first");
    if (f.Size() > 0xFFFF0000u) throw BuildError(what + ": too large to pack");
  }

  // Modules: each must name a packed file by the file-name part of its source path. They land in
  // the module tree as the installer places them.
  ModuleTreeShape tree;
  auto place = [&](const std::string& group, const TModuleRec& rec, const std::string& what) {
    const ModuleTreeShape::Node& parent = tree.At(tree.AddModule(group, ModuleTreeText(rec)).parent);
    if (parent.module)
      warnings.push_back(what + ": its group " + Quoted(parent.text) +
                         " is the text of an earlier module, so the installer shows it under that module");
  };
  for (std::size_t i = 0; i < product.modules.size(); ++i) {
    const TModuleRec& m = product.modules[i];
    std::string source = ModuleText(m.SourcePath);
    std::string what = "module " + std::to_string(i + 1) + " (" + source + ")";
    std::string name = FileNamePart(source);
    if (name.empty()) throw BuildError(what + ": its source path names no file");
    if (!FindPacked(product, name)) throw BuildError(what + ": no packed file is called " + Quoted(name));
    bool handheld = IsHandheldFile(source);
    if (handheld && !IsHandheldFile(name))
      warnings.push_back(what + ": its path contains .PRC or .PDB, so the installer queues it for the handheld");
    if (handheld && (m.Action == maRun || m.Action == maRunWait))
      warnings.push_back(what + ": a handheld file is never run");
    if (!handheld && m.Action == maQueueAndCopy)
      warnings.push_back(what + ": the extra copy applies to handheld files only");
    if (m.Action < 0 || m.Action > maQueueAndCopy)
      warnings.push_back(what + ": action " + std::to_string(m.Action) + " does nothing beyond installing the file");
    if (m.MakeShortcut == 1 && handheld) warnings.push_back(what + ": handheld files get no shortcut");
    if (m.MakeShortcut == 1 && !handheld && IsBlank(ModuleText(m.Title)))
      warnings.push_back(what + ": its shortcut has no title to be named by");
    place(ModuleText(m.Group), m, what);
  }
  for (const auto& f : product.files) {
    TModuleRec rec;
    if (IsRuntimeModuleDescription(f.description) && RuntimeModuleRec(f.name, rec))
      place(ModuleText(rec.Group), rec, "runtime module " + Quoted(f.name));
  }

  // The conduit step extracts its two files by name; without them it would run an empty program.
  bool conduit = false;
  for (const auto& [name, on] : product.options)
    if (name == "CKInstallDoviConduit") conduit = on;
  if (conduit)
    for (auto name : {kConduitLibraryName, kConduitToolName})
      if (!FindPacked(product, name))
        throw BuildError("CKInstallDoviConduit is on, but no packed file is called " + Quoted(name));
  return warnings;
}

namespace {

template <class T>
T& Control(TComponent& form, std::string_view name) {
  auto* c = dynamic_cast<T*>(form.FindComponent(name));
  if (!c) throw BuildError("the built-in form has no " + std::string(T::StaticInfo().name) + " " + Quoted(name));
  return *c;
}

// A packed file read from its stream as its "TPFData" value is written, a chunk at a time when
// it is compressed; its bytes are never held.
class TStreamedFileItem : public TFileItem {
 public:
  TStreamedFileItem(TFileCollection* collection, const PackedFileDescription& file)
      : TFileItem(collection), file_(file) {}
  void WriteTPFData(TStream& stream) override {
    auto source = file_.open();
    const auto length = static_cast<std::int64_t>(file_.length);
    try {
      if (Compress) {
        TGCompressStream().CompressStream(*source, stream, length);
      } else if (length > 0) {
        stream.SetPosition(0);
        stream.CopyFrom(*source, length);
      }
    } catch (const EReadError&) {
      throw Changed();
    }
    std::uint8_t more;
    if (source->Read(&more, 1) != 0) throw Changed();
  }

 private:
  BuildError Changed() const {
    return BuildError("packed file '" + file_.name + "'" + (file_.origin.empty() ? "" : " (" + file_.origin + ")") +
                      " changed while the installer was being built");
  }
  const PackedFileDescription& file_;
};

void ApplyProduct(TFormTools& form, const InstallerDescription& product) {
  if (product.caption) form.SetCaption(*product.caption);
  if (product.directory) Control<TDirectoryEdit>(form, "DirectoryEdit1").SetText(*product.directory);
  for (const auto& [name, on] : product.options) Control<TCheckBox>(form, name).SetChecked(on);
  for (const auto& [name, text] : product.captions) Control<TControl>(form, name).SetCaption(text);
  if (product.welcomeLines) Control<TMemo>(form, "MemoWelcome").Lines().Assign(*product.welcomeLines);
  if (product.licenceLines) Control<TMemo>(form, "MemoLicence").Lines().Assign(*product.licenceLines);
  if (product.bannerJpeg) {
    auto jpeg = std::make_unique<TJPEGImage>();
    jpeg->LoadFromBytes(*product.bannerJpeg);
    Control<TImage>(form, "Image1").Picture().SetGraphic(std::move(jpeg));
  }
  if (product.icon) {
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromBytes(*product.icon);
    Control<TImage>(form, "Image2").Picture().SetGraphic(std::move(icon));
  }

  auto& items = Control<TPackFiles>(form, "PackFiles1").Items();
  items.Clear();
  auto add = [&](const std::string& name, const std::string& description, bool compress,
                 const std::vector<std::uint8_t>& bytes) {
    TFileItem* item = items.AddItem();
    item->SetName(name);
    item->SetDescription(description);
    item->Compress = compress;
    item->Data().Clear();
    item->Data().WriteBuffer(bytes.data(), bytes.size());
    item->Data().SetPosition(0);
  };
  add(std::string(kModuleListName), "", product.compressModuleList, ModuleListBytes(product.modules));
  for (const auto& f : product.files) {
    if (!f.open) {
      add(f.name, f.description, f.compress, f.bytes);
      continue;
    }
    TFileItem* item = items.AddItem(std::make_unique<TStreamedFileItem>(&items, f));
    item->SetName(f.name);
    item->SetDescription(f.description);
    item->Compress = f.compress;
  }
}

}  // namespace

std::unique_ptr<TFormTools> BuildPayloadForm(const InstallerDescription& product) {
  CheckInstallerDescription(product);
  // The built-in form is the starting point: every component, text and setting a product does
  // not change stays as the program carries it.
  auto builtIn = BuiltInFormTools();
  auto form = ReadPayload(std::vector<std::uint8_t>(builtIn.begin(), builtIn.end()));
  ApplyProduct(*form, product);
  return form;
}

std::vector<std::uint8_t> BuildPayload(const InstallerDescription& product) {
  auto form = BuildPayloadForm(product);
  TMemoryStream out;
  WriteComponentStream(out, *form);
  return std::move(out.Bytes());
}

std::vector<std::uint8_t> BuildInstaller(const std::vector<std::uint8_t>& stub, const InstallerDescription& product) {
  CheckStub(stub);
  std::vector<std::uint8_t> result = stub;
  auto payload = BuildPayload(product);
  result.insert(result.end(), payload.begin(), payload.end());
  return result;
}

}  // namespace qs

namespace qs {

std::vector<std::uint8_t> PayloadOf(const std::vector<std::uint8_t>& installer) {
  if (installer.size() < 2 || installer[0] != 'M' || installer[1] != 'Z')
    throw BuildError("not a Windows program, so not an installer");
  if (installer.size() <= kStubSize)
    throw BuildError("no payload: " + std::to_string(installer.size()) +
                     " bytes, and an installer's payload starts at byte " + std::to_string(kStubSize));
  return std::vector<std::uint8_t>(installer.begin() + kStubSize, installer.end());
}

std::unique_ptr<TFormTools> ReadPayload(const std::vector<std::uint8_t>& payload, std::size_t* consumed) {
  auto form = std::make_unique<TFormTools>(nullptr);
  TMemoryStream in(payload);
  ReadComponentStream(in, *form);
  if (consumed) *consumed = static_cast<std::size_t>(in.Position());
  return form;
}

std::vector<std::string> CheckPayloadForm(TFormTools& form) {
  std::vector<std::string> problems;
  // The components the wizard finds by name and works with, and its message labels; the others
  // are only displayed.
  auto used = [](std::string_view name) { return Among(kRequiredComponents, name) || Among(kMessageNames, name); };
  for (const FieldInfo& field : form.Info().fields) {
    if (!used(field.name)) continue;
    TComponent* c = field.slot(form);
    if (!c)
      problems.push_back("the form has no " + std::string(field.name));
    else if (!c->Info().InheritsFrom(*field.cls))
      problems.push_back(std::string(field.name) + " is a " + std::string(c->ClassName()) + ", not a " +
                         std::string(field.cls->name));
  }
  if (form.Notebook1 && form.Notebook1->PageCount() < 8)
    problems.push_back("Notebook1 has " + std::to_string(form.Notebook1->PageCount()) + " pages; the wizard uses 8");
  for (auto name : kMessageNames) {
    auto* label = dynamic_cast<TLabel*>(form.FindComponent(name));
    if (label && label->Caption().size() > kMaxMessageText)
      problems.push_back("the message " + Quoted(name) + " is longer than a message box shows (" +
                         std::to_string(kMaxMessageText) + " bytes)");
  }
  if (!form.PackFiles1) return problems;

  TPackFiles& pack = *form.PackFiles1;
  auto has = [&](std::string_view name) {
    for (int i = 0; i < pack.Items().Count(); ++i)
      if (SameTextAZ(pack.Items().Items(i)->Name(), name)) return true;
    return false;
  };
  if (!has(kModuleListName)) {
    problems.push_back("no module list " + std::string(kModuleListName) + ": the module tree stays empty");
  } else {
    auto list = pack.ExtractToStream(kModuleListName);
    auto parsed = ParseModuleList(list->Data(), static_cast<std::size_t>(list->Size()));
    if (!parsed.accepted) problems.push_back("the module list's header is not one the installer accepts");
    if (parsed.trailingBytes)
      problems.push_back("the module list ends in " + std::to_string(parsed.trailingBytes) +
                         " bytes that are not a whole module record");
    for (std::size_t i = 0; i < parsed.records.size(); ++i) {
      std::string source = ModuleText(parsed.records[i].SourcePath);
      if (!has(UpperAZ(FileNamePart(source))))
        problems.push_back("module " + std::to_string(i + 1) + " (" + source + "): no packed file is called " +
                           Quoted(FileNamePart(source)) + ", so an empty file would be installed");
    }
  }
  if (form.CKInstallDoviConduit && form.CKInstallDoviConduit->Checked())
    for (auto name : {kConduitLibraryName, kConduitToolName})
      if (!has(name)) problems.push_back("CKInstallDoviConduit is on, but no packed file is called " + Quoted(name));
  return problems;
}

}  // namespace qs
