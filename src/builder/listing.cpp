#include "builder/listing.h"

#include <algorithm>
#include <cstdio>

#include "builder/builder.h"
#include "builder/json.h"
#include "builder/manifest.h"
#include "builder/sha256.h"
#include "core/text.h"
#include "ui/graphics.h"
#include "wizard/unitext.h"

namespace qs {

namespace {

std::string Utf8(std::string_view cp1252) { return Cp1252ToUtf8(cp1252); }

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::uint64_t at) {
  if (at + 4 > b.size()) return 0;
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}
std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::uint64_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// The certificate table named by the PE header's security directory (data directory 4), when
// the header is there and the table lies inside the file.
std::optional<Trailer::Certificate> PeCertificateTable(const std::vector<std::uint8_t>& file) {
  if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z') return std::nullopt;
  const std::uint64_t pe = Le32(file, 0x3C);
  if (pe + 24 > file.size() || Le32(file, pe) != 0x00004550) return std::nullopt;  // "PE\0\0"
  const std::uint64_t optional = pe + 24;
  const std::uint16_t magic = Le16(file, optional);
  // The data directories follow 96 (PE32) or 112 (PE32+) bytes of the optional header; each is 8.
  const std::uint64_t directories = optional + (magic == 0x10B ? 96 : magic == 0x20B ? 112 : 0);
  if (directories == optional) return std::nullopt;
  const std::uint32_t count = Le32(file, directories - 4);
  if (count <= 4 || directories + 5 * 8 > file.size()) return std::nullopt;
  Trailer::Certificate c;
  c.offset = Le32(file, directories + 4 * 8);  // the security directory holds a file offset
  c.size = Le32(file, directories + 4 * 8 + 4);
  if (c.offset == 0 || c.size < 8 || c.offset + c.size > file.size()) return std::nullopt;
  c.length = Le32(file, c.offset);
  c.revision = Le16(file, c.offset + 4);
  c.type = Le16(file, c.offset + 6);
  return c;
}

std::string Hex(const std::uint8_t* p, std::size_t n) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += {kHex[p[i] >> 4], kHex[p[i] & 15]};
  return out;
}

}  // namespace

std::string ActionName(std::int32_t action) {
  switch (action) {
    case maInstall:
      return "install";
    case maRun:
      return "run";
    case maRunWait:
      return "run-wait";
    case maQueueAndCopy:
      return "queue-and-copy";
    default:
      return std::to_string(action);
  }
}

Trailer DescribeTrailer(const std::vector<std::uint8_t>& installer, std::uint64_t formEnd) {
  Trailer t;
  t.offset = std::min<std::uint64_t>(formEnd, installer.size());
  t.size = installer.size() - t.offset;
  const std::uint8_t* p = installer.data() + t.offset;
  t.head = Hex(p, static_cast<std::size_t>(std::min<std::uint64_t>(t.size, 16)));
  t.certificate = PeCertificateTable(installer);
  if (t.size == 0)
    t.kind = "none";
  else if (t.certificate && t.certificate->offset >= t.offset)
    t.kind = "pe-certificate-table";
  else if (std::all_of(p, p + t.size, [](std::uint8_t b) { return b == 0; }))
    t.kind = "zeros";
  else if (t.size >= 4 && std::equal(p, p + 4, "TPF0"))
    t.kind = "component-stream";
  else
    t.kind = "unknown";
  return t;
}

std::unique_ptr<Listing> ListInstaller(const std::vector<std::uint8_t>& installer) {
  auto l = std::make_unique<Listing>();
  const std::vector<std::uint8_t> payload = PayloadOf(installer);
  std::size_t consumed = 0;
  std::unique_ptr<TFormTools> form = ReadPayload(payload, &consumed);
  TFormTools& f = *form;
  l->installerSize = installer.size();
  l->payloadSize = payload.size();
  l->formSize = consumed;
  l->trailer = DescribeTrailer(installer, kStubSize + consumed);

  l->caption = Utf8(f.Caption());
  if (f.DirectoryEdit1) l->directory = Utf8(f.DirectoryEdit1->Text());
  for (auto name : kOptionNames) {
    auto* box = dynamic_cast<TCheckBox*>(f.FindComponent(name));
    l->options.emplace_back(std::string(name), box ? std::optional<bool>(box->Checked()) : std::nullopt);
  }
  auto text = [&](std::string_view name) {
    auto* c = dynamic_cast<TControl*>(f.FindComponent(name));
    l->texts.emplace_back(std::string(name), c ? std::optional<std::string>(Utf8(c->Caption())) : std::nullopt);
  };
  for (auto name : kPageTextNames) text(name);
  for (auto name : kMessageNames) text(name);
  for (auto name : kNumberNames) text(name);
  auto lines = [&](const TMemo* memo, std::optional<std::vector<std::string>>& out) {
    if (!memo) return;
    out.emplace();
    for (const std::string& line : memo->Lines().Lines()) out->push_back(Utf8(line));
  };
  lines(f.MemoWelcome, l->welcome);
  lines(f.MemoLicence, l->licence);

  for (int i = 0; i < f.ComponentCount(); ++i) {
    auto* image = dynamic_cast<TImage*>(f.Component(i));
    if (!image) continue;
    ListedPicture p;
    p.component = Utf8(image->Name());
    if (const TGraphic* g = image->Picture().Graphic()) {
      p.format = std::string(g->ClassName());
      p.width = g->Width();
      p.height = g->Height();
      if (auto* jpeg = dynamic_cast<const TJPEGImage*>(g)) p.bytes = jpeg->Bytes().size();
      if (auto* icon = dynamic_cast<const TIcon*>(g)) p.bytes = icon->Bytes().size();
    }
    l->pictures.push_back(std::move(p));
  }

  if (!f.PackFiles1) return l;
  l->hasPackFiles = true;
  const TFileCollection& items = f.PackFiles1->Items();
  l->files.reserve(static_cast<std::size_t>(items.Count()));
  for (int i = 0; i < items.Count(); ++i) {
    TFileItem& item = *items.Items(i);
    TMemoryStream& data = item.Data();
    ListedFile file;
    file.name = Utf8(item.Name());
    file.description = Utf8(item.Description());
    file.compress = item.Compress;
    file.size = static_cast<std::uint64_t>(data.Size());
    file.sha256 = Sha256Hex(data.Data(), static_cast<std::size_t>(data.Size()));
    file.runtime = item.Description().find(kRuntimeMarker) != std::string::npos;
    if (file.runtime) l->runtimeModules.push_back(file.name);
    l->files.push_back(std::move(file));
  }
  // The file the installer hands out for a name: the first whose name matches once a-z are
  // upper-cased.
  auto find = [&](std::string_view cp1252Name) -> const ListedFile* {
    for (int i = 0; i < items.Count(); ++i)
      if (SameTextAZ(items.Items(i)->Name(), cp1252Name)) return &l->files[static_cast<std::size_t>(i)];
    return nullptr;
  };

  l->moduleListPresent = find(kModuleListName) != nullptr;
  auto list = f.PackFiles1->ExtractToStream(kModuleListName);
  ModuleListContents parsed = ParseModuleList(list->Data(), static_cast<std::size_t>(list->Size()));
  l->moduleListAccepted = parsed.accepted;
  l->moduleListTrailing = parsed.trailingBytes;
  for (const TModuleRec& r : parsed.records) {
    ListedModule m;
    const std::string source = ModuleText(r.SourcePath), title = ModuleText(r.Title), group = ModuleText(r.Group);
    m.sourcePath = Utf8(source);
    m.packedName = Utf8(FileNamePart(source));
    m.title = Utf8(title);
    m.treeText = Utf8(IsBlank(title) ? FileNamePart(source) : title);
    m.group = Utf8(group);
    m.shownGroup = Utf8(IsBlank(group) ? std::string("General") : group);
    m.programGroup = Utf8(ModuleText(r.ProgramGroup));
    m.action = r.Action;
    m.makeShortcut = r.MakeShortcut;
    m.handheld = IsHandheldFile(source);
    m.file = find(UpperAZ(FileNamePart(source)));
    l->modules.push_back(std::move(m));
  }
  l->conduit = f.CKInstallDoviConduit && f.CKInstallDoviConduit->Checked();
  for (auto name : {kConduitLibraryName, kConduitToolName}) l->conduitFiles.emplace_back(std::string(name), find(name));
  return l;
}

namespace {

void FileFields(JsonWriter& j, const ListedFile* f) {
  if (!f) {
    j.Key("packed").Bool(false);
    return;
  }
  j.Key("packed").Bool(true);
  j.Key("size").Int(static_cast<std::int64_t>(f->size));
  j.Key("sha256").String(f->sha256);
  j.Key("compressed").Bool(f->compress);
}

void OptionalString(JsonWriter& j, const std::optional<std::string>& s) {
  if (s)
    j.String(*s);
  else
    j.Null();
}

void Lines(JsonWriter& j, const std::optional<std::vector<std::string>>& lines) {
  if (!lines) {
    j.Null();
    return;
  }
  j.BeginArray();
  for (const std::string& line : *lines) j.String(line);
  j.EndArray();
}

}  // namespace

std::string ListingJson(const Listing& l) {
  JsonWriter j;
  j.BeginObject();
  j.Key("format_version").Int(kListingFormatVersion);
  j.Key("installer").BeginObject();
  j.Key("size").Int(static_cast<std::int64_t>(l.installerSize));
  j.Key("payload_offset").Int(static_cast<std::int64_t>(kStubSize));
  j.Key("payload_size").Int(static_cast<std::int64_t>(l.payloadSize));
  j.Key("form_size").Int(static_cast<std::int64_t>(l.formSize));
  j.EndObject();

  j.Key("caption").String(l.caption);
  j.Key("directory");
  OptionalString(j, l.directory);
  j.Key("options").BeginObject();
  for (const auto& [name, on] : l.options) {
    j.Key(name);
    if (on)
      j.Bool(*on);
    else
      j.Null();
  }
  j.EndObject();
  j.Key("texts").BeginObject();
  for (const auto& [name, caption] : l.texts) {
    j.Key(name);
    OptionalString(j, caption);
  }
  j.EndObject();
  j.Key("welcome_lines");
  Lines(j, l.welcome);
  j.Key("licence_lines");
  Lines(j, l.licence);

  j.Key("module_list").BeginObject();
  j.Key("name").String(kModuleListName);
  j.Key("present").Bool(l.moduleListPresent);
  j.Key("accepted").Bool(l.moduleListAccepted);
  j.Key("trailing_bytes").Int(static_cast<std::int64_t>(l.moduleListTrailing));
  j.EndObject();
  j.Key("modules").BeginArray();
  for (const ListedModule& m : l.modules) {
    j.BeginObject();
    j.Key("source_path").String(m.sourcePath);
    j.Key("packed_name").String(m.packedName);
    j.Key("title").String(m.title);
    j.Key("tree_text").String(m.treeText);
    j.Key("group").String(m.group);
    j.Key("shown_in_group").String(m.shownGroup);
    j.Key("action").Int(m.action);
    j.Key("action_name").String(ActionName(m.action));
    j.Key("shortcut").Bool(m.makeShortcut == 1);
    j.Key("make_shortcut").Int(m.makeShortcut);
    j.Key("program_group").String(m.programGroup);
    j.Key("kind").String(m.handheld ? "handheld" : "pc");
    FileFields(j, m.file);
    j.EndObject();
  }
  j.EndArray();
  j.Key("runtime_modules").BeginArray();
  for (const std::string& name : l.runtimeModules) j.String(name);
  j.EndArray();
  j.Key("conduit").BeginObject();
  j.Key("registered").Bool(l.conduit);
  j.Key("files").BeginArray();
  for (const auto& [name, file] : l.conduitFiles) {
    j.BeginObject();
    j.Key("name").String(name);
    FileFields(j, file);
    j.EndObject();
  }
  j.EndArray();
  j.EndObject();
  j.Key("pictures").BeginArray();
  for (const ListedPicture& p : l.pictures) {
    j.BeginObject();
    j.Key("component").String(p.component);
    j.Key("format");
    if (p.format.empty())
      j.Null();
    else
      j.String(p.format);
    j.Key("width").Int(p.width);
    j.Key("height").Int(p.height);
    j.Key("bytes").Int(static_cast<std::int64_t>(p.bytes));
    j.EndObject();
  }
  j.EndArray();

  j.Key("packed_files");
  if (!l.hasPackFiles) {
    j.Null();
  } else {
    j.BeginArray();
    for (const ListedFile& f : l.files) {
      j.BeginObject();
      j.Key("name").String(f.name);
      j.Key("size").Int(static_cast<std::int64_t>(f.size));
      j.Key("compress").Bool(f.compress);
      j.Key("description").String(f.description);
      j.Key("runtime").Bool(f.runtime);
      j.Key("sha256").String(f.sha256);
      j.EndObject();
    }
    j.EndArray();
  }

  const Trailer& t = l.trailer;
  j.Key("after_form").BeginObject();
  j.Key("offset").Int(static_cast<std::int64_t>(t.offset));
  j.Key("size").Int(static_cast<std::int64_t>(t.size));
  j.Key("kind").String(t.kind);
  j.Key("head").String(t.head);
  j.Key("pe_certificate_table");
  if (!t.certificate) {
    j.Null();
  } else {
    j.BeginObject();
    j.Key("offset").Int(static_cast<std::int64_t>(t.certificate->offset));
    j.Key("size").Int(static_cast<std::int64_t>(t.certificate->size));
    j.Key("length").Int(t.certificate->length);
    j.Key("revision").Int(t.certificate->revision);
    j.Key("type").Int(t.certificate->type);
    j.EndObject();
  }
  j.EndObject();

  // ---- signature: whether the file carries an Authenticode signature, its signer and whether it
  // verifies; null when it was not checked.
  j.Key("signature");
  if (!l.signature) {
    j.Null();
  } else {
    j.BeginObject();
    j.Key("signed").Bool(l.signature->isSigned);
    j.Key("verifies").Bool(l.signature->verifies);
    j.Key("subject").String(l.signature->subject);
    j.Key("reason").String(l.signature->reason);
    j.EndObject();
  }
  j.EndObject();
  return j.Text();
}

}  // namespace qs
