#include "packer/gpackfiles.h"

#include "core/errors.h"
#include "core/text.h"
#include "packer/gcompress.h"
#include "platform/platform.h"

namespace qs {

namespace {

const TypeInfo kAboutPropertyType{"TAboutProperty", {}, {}};
const TypeInfo kFileCollectionType{"TFileCollection", {}, {}};

TFileItem& AsItem(TPersistent& o) { return static_cast<TFileItem&>(o); }
TPackFiles& AsPackFiles(TPersistent& o) { return static_cast<TPackFiles&>(o); }

PropValue Text(const std::string& s) {
  PropValue v;
  v.s = s;
  return v;
}

PropValue Object(TPersistent* obj) {
  PropValue v;
  v.obj = obj;
  return v;
}

}  // namespace

// ---- TFileItem ------------------------------------------------------------------------------------

const ClassInfo& TFileItem::StaticInfo() {
  static const ClassInfo info{
      "TFileItem",
      nullptr,
      {
          {"Name", PropKind::String, nullptr, [](TPersistent& o, const PropValue& v) { AsItem(o).SetName(v.s); },
           [](TPersistent& o) { return Text(AsItem(o).Name()); },
           [](TPersistent& o) { return !AsItem(o).Name().empty(); }},
          {"Filename", PropKind::String, nullptr,
           [](TPersistent& o, const PropValue& v) { AsItem(o).SetFilename(v.s); },
           [](TPersistent& o) { return Text(AsItem(o).Filename()); }, [](TPersistent&) { return false; }},
          {"Description", PropKind::String, nullptr,
           [](TPersistent& o, const PropValue& v) { AsItem(o).SetDescription(v.s); },
           [](TPersistent& o) { return Text(AsItem(o).Description()); },
           [](TPersistent& o) { return !AsItem(o).Description().empty(); }},
          BoolProp("Compress", &TFileItem::Compress),  // no declared default: always written
      },
      {},
      {},
      {}};
  return info;
}

TFileItem::TFileItem(TFileCollection* collection)
    : TCollectionItem(collection), FCollectionRef(collection), FData(std::make_unique<TMemoryStream>()) {}

TFileItem::~TFileItem() = default;

void TFileItem::DefineProperties(TFiler& filer) {
  TCollectionItem::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "TPFData", [this](TStream& s) { ReadTPFData(s); }, [this](TStream& s) { WriteTPFData(s); }, true);
}

void TFileItem::SetName(const std::string& value) {
  if (value != FName) FName = value;
}

void TFileItem::SetDescription(const std::string& value) {
  if (value != FDescription) FDescription = value;
}

void TFileItem::SetFilename(const std::string& value) {
  if (value.empty() || value == FFilename) return;
  IFileSystem* fs = HostSlot() ? Host().files : nullptr;
  if (!fs || !fs->FileExists(value)) throw Exception(kMsgFileNotFound);
  FData->Clear();
  {
    TFileStream file(*fs, value, FileMode::OpenRead, ShareMode::DenyWrite);
    FData->CopyFrom(file, 0);
  }
  FData->SetPosition(0);
  FName = FileNamePart(value);
  FFilename = value;
}

void TFileItem::Assign(const TFileItem& other) {
  if (&other == this) return;
  FFilename = other.FFilename;
  FName = other.FName;
  FDescription = other.FDescription;
  Compress = other.Compress;
  FData = std::make_unique<TMemoryStream>(other.FData->Bytes());
}

void TFileItem::ReadTPFData(TStream& stream) {
  // Window messages are handled here, in the middle of the payload read (the form is partly read).
  if (HostSlot() && Host().processMessages) Host().processMessages();
  // The value replaces the item's bytes. (A second "TPFData" value, or one after a "Filename" that
  // loaded a file, would otherwise leave a mixture of old and new bytes.)
  FData->Clear();
  if (Compress) {
    TGCompressStream codec;
    codec.DecompressStream(stream, *FData);
  } else {
    stream.SetPosition(0);
    FData->CopyFrom(stream, 0);
  }
  FData->SetPosition(0);
}

void TFileItem::WriteTPFData(TStream& stream) {
  if (!FData) throw Exception(kMsgNoMemory);
  const std::int64_t size = FData->Size();
  FData->SetPosition(0);
  if (Compress) {
    TGCompressStream codec;
    codec.CompressStream(*FData, stream, size);
  } else {
    stream.SetPosition(0);
    stream.CopyFrom(*FData, 0);
  }
}

bool TFileItem::SaveToStream(TStream& stream) {
  const auto& bytes = FData->Bytes();
  const std::size_t written = bytes.empty() ? 0 : stream.Write(bytes.data(), bytes.size());
  stream.SetPosition(0);
  return written == bytes.size();
}

bool TFileItem::SaveToFile(const std::string& fileName) {
  if (fileName.empty()) return false;
  IFileSystem* fs = HostSlot() ? Host().files : nullptr;
  if (!fs) throw EFCreateError(fileName);
  TFileStream file(*fs, fileName, FileMode::Create);
  const auto& bytes = FData->Bytes();
  return bytes.empty() || file.Write(bytes.data(), bytes.size()) == bytes.size();
}

// ---- TFileCollection --------------------------------------------------------------------------------

const ClassInfo& TFileCollection::StaticInfo() {
  static const ClassInfo info{"TFileCollection", nullptr, {}, {}, {}, {}};
  return info;
}

TCollectionItem* TFileCollection::Add() { return Append(std::make_unique<TFileItem>(this)); }

void TFileCollection::Assign(const TFileCollection& other) {
  if (&other == this) return;
  BeginUpdate();
  Clear();
  for (int i = 0; i < other.Count(); ++i) AddItem()->Assign(*other.Items(i));
  EndUpdate();
}

// ---- TPackFiles -------------------------------------------------------------------------------------

const ClassInfo& TPackFiles::StaticInfo() {
  static const ClassInfo info{
      "TPackFiles",
      &TComponent::StaticInfo(),
      {
          // Only a design-time editor hangs on About: any value leaves it empty, and it is never written.
          {"About", PropKind::Object, &kAboutPropertyType, [](TPersistent&, const PropValue&) {},
           [](TPersistent&) { return Object(nullptr); }, [](TPersistent&) { return false; }},
          {"Version",
           PropKind::String,
           nullptr,
           [](TPersistent& o, const PropValue& v) { AsPackFiles(o).SetVersion(v.s); },
           [](TPersistent& o) { return Text(AsPackFiles(o).Version()); },
           {}},
          // The reader fills the collection the getter gives in place; the setter copies another one.
          {"Items",
           PropKind::Object,
           &kFileCollectionType,
           [](TPersistent& o, const PropValue& v) {
             auto* other = dynamic_cast<TFileCollection*>(v.obj);
             if (!other) {
               throw Exception(Format("Cannot assign a %s to a TFileCollection",
                                      v.obj ? v.obj->ClassName() : std::string_view("nil")));
             }
             AsPackFiles(o).SetItems(*other);
           },
           [](TPersistent& o) { return Object(&AsPackFiles(o).Items()); },
           {}},
      },
      [](TComponent* owner) -> TComponent* { return new TPackFiles(owner); },
      {},
      {}};
  return info;
}

TPackFiles::TPackFiles(TComponent* owner)
    : TNonVisual(owner), FVersion(kPackFilesVersion), FItems(std::make_unique<TFileCollection>(this)) {}

TPackFiles::~TPackFiles() = default;

std::unique_ptr<TMemoryStream> TPackFiles::ExtractToStream(std::string_view name) const {
  auto result = std::make_unique<TMemoryStream>();
  const std::string key = UpperAZ(name);
  for (int i = 0; i < FItems->Count(); ++i) {
    TFileItem* item = FItems->Items(i);
    if (UpperAZ(item->Name()) == key) {
      item->SaveToStream(*result);
      break;  // the first match wins
    }
  }
  return result;
}

namespace {
// Creatable by name for streams read without a form that declares a TPackFiles field.
const bool kRegistered = (ClassRegistry::Register(TPackFiles::StaticInfo()), true);
}  // namespace

}  // namespace qs
