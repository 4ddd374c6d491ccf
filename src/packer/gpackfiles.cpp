#include "packer/gpackfiles.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "core/errors.h"
#include "core/text.h"
#include "packer/gcompress.h"
#include "platform/platform.h"
#include "stream/props.h"

namespace qs {

namespace {

const TypeInfo kAboutPropertyType{"TAboutProperty", {}, {}};
const TypeInfo kFileCollectionType{"TFileCollection", {}, {}};

bool Never(TPersistent&) { return false; }

std::uint32_t LoadLE32(const std::uint8_t* p) {
  return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

// Room to set aside before a container at the stream's position is expanded, found from its chunk
// headers alone: a stored chunk gives its length less one, any other chunk at most one whole piece.
// For a container the compressor wrote that is at most one piece more than it expands to, so the
// expansion never has to move what it has produced. Only chunks whose bytes are all present count,
// and the room never exceeds kMaxRoomFactor times the container's size: forged headers cannot make
// it large. A container that expands further (long runs) grows as it is expanded.
constexpr std::uint64_t kMaxRoomFactor = 64;

std::size_t ExpansionRoom(const TMemoryStream& stream, std::size_t from) {
  const std::uint8_t* p = stream.Data();
  const std::size_t size = stream.Bytes().size();
  if (from > size || size - from < 7) return 0;
  const std::uint64_t cap = std::min<std::uint64_t>(kMaxRoomFactor * (size - from), SIZE_MAX / 2);
  std::int64_t total = static_cast<std::int32_t>(LoadLE32(p + from + 3));
  std::size_t at = from + 7;
  std::uint64_t room = 0;
  while (total > 0 && size - at >= 4 && room < cap) {
    const auto n = static_cast<std::int32_t>(LoadLE32(p + at));
    if (n < 0 || n > TLZR::MaxChunkLength || size - at - 4 < static_cast<std::size_t>(n)) break;
    if (n >= 2 && p[at + 4] == TLZR::StoredMark)
      room += static_cast<std::uint64_t>(n) - 1;
    else if (n >= 3)
      room += TLZR::ChunkSize;
    at += 4 + static_cast<std::size_t>(n);
    total -= n + 4;
  }
  return static_cast<std::size_t>(std::min(room, cap));
}

}  // namespace

// ---- TFileItem ------------------------------------------------------------------------------------

const ClassInfo& TFileItem::StaticInfo() {
  using F = TFileItem;
  static const ClassInfo info{"TFileItem",
                              nullptr,
                              {
                                  props::Str<&F::Name, &F::SetName, props::kEmpty>("Name"),
                                  props::Str<&F::Filename, &F::SetFilename>("Filename").StoredWhen(&Never),
                                  props::Str<&F::Description, &F::SetDescription, props::kEmpty>("Description"),
                                  props::Bool<&F::Compress>("Compress"),  // no declared default: always written
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
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
      const std::size_t room = ExpansionRoom(*memory, static_cast<std::size_t>(memory->Position()));
      try {
        if (room > FData->Bytes().capacity()) FData->Reserve(room);
      } catch (const std::bad_alloc&) {
        // only a head start: the expansion takes room as it goes
      }
    }
    codec.DecompressStream(stream, *FData);
    // The bytes stay for the life of the program: room left over beyond an eighth goes back.
    auto& bytes = FData->Bytes();
    if (bytes.capacity() - bytes.size() > bytes.size() / 8 + 4096) bytes.shrink_to_fit();
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

namespace {

// Only a design-time editor hangs on About: any value leaves it empty, and it is never written.
void IgnoreAbout(TPersistent&, const PropValue&) {}
PropValue NoAbout(TPersistent&) { return {}; }

// The reader fills the collection the getter gives in place; the setter copies another one.
void PutItems(TPersistent& o, const PropValue& v) {
  auto* other = dynamic_cast<TFileCollection*>(v.obj);
  if (!other) {
    throw Exception(
        Format("Cannot assign a %s to a TFileCollection", v.obj ? v.obj->ClassName() : std::string_view("nil")));
  }
  static_cast<TPackFiles&>(o).SetItems(*other);
}
PropValue GetItems(TPersistent& o) {
  PropValue v;
  v.obj = &static_cast<TPackFiles&>(o).Items();
  return v;
}

}  // namespace

const ClassInfo& TPackFiles::StaticInfo() {
  static const ClassInfo info{"TPackFiles",
                              &TComponent::StaticInfo(),
                              {
                                  {"About", PropKind::Object, &kAboutPropertyType, &IgnoreAbout, &NoAbout, &Never},
                                  props::Str<&TPackFiles::Version, &TPackFiles::SetVersion>("Version"),
                                  {"Items", PropKind::Object, &kFileCollectionType, &PutItems, &GetItems, nullptr},
                              },
                              &Create<TPackFiles>,
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

void RegisterPackerClasses() { ClassRegistry::Register(TPackFiles::StaticInfo()); }

}  // namespace qs
