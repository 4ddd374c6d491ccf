// GPackFiles: the packed-file component. An installer's files travel in the payload as the items
// of a TPackFiles; each item holds a name, a description, a compress flag and the file's bytes,
// which the component stream carries as the binary value "TPFData" (raw, or as a container of the
// codec in gcompress.h). At run time the component hands files out by name (ExtractToStream).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/streams.h"
#include "stream/component.h"

namespace qs {

class TPackFiles;
class TFileCollection;

inline constexpr const char* kMsgFileNotFound = "The specified file does not exist.";
inline constexpr const char* kMsgNoMemory = "Not enough memory could be allowed.";
inline constexpr const char* kPackFilesVersion = "1.3";

class TFileItem : public TCollectionItem {
 public:
  explicit TFileItem(TFileCollection* collection);
  ~TFileItem() override;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  // Adds the binary value "TPFData" after the base's definitions.
  void DefineProperties(TFiler& filer) override;

  // Takes the bytes over from a "TPFData" value (the stream holds exactly its bytes): expands the
  // container when Compress is set, copies them as they are otherwise. Handles pending window
  // messages first.
  virtual void ReadTPFData(TStream& stream);
  // Writes the bytes into an empty stream: as a container when Compress is set, raw otherwise.
  virtual void WriteTPFData(TStream& stream);
  // Creates (or empties) the file and writes the bytes. False without touching the disk when the
  // name is empty, or when not every byte was written. Raises EFCreateError when it cannot create.
  virtual bool SaveToFile(const std::string& fileName);
  // Copies the bytes at the stream's position, then rewinds the stream. True when all were copied.
  virtual bool SaveToStream(TStream& stream);

  // The properties.
  const std::string& Name() const { return FName; }
  void SetName(const std::string& value);
  const std::string& Filename() const { return FFilename; }
  // Builder side: loads the file at that path (a Windows path, through the host's file system),
  // then sets Name to its file-name part. Acts only on a non-empty value that differs (exactly)
  // from the current one. Raises kMsgFileNotFound when no file is there.
  void SetFilename(const std::string& value);
  const std::string& Description() const { return FDescription; }
  void SetDescription(const std::string& value);
  bool Compress = true;  // whether "TPFData" holds a container
  // Copies other's texts, flag and bytes (not its collection).
  void Assign(const TFileItem& other);

  TMemoryStream& Data() { return *FData; }
  const TMemoryStream& Data() const { return *FData; }
  TFileCollection* FCollectionRef;       // the collection the item was created in
  std::unique_ptr<TMemoryStream> FData;  // the file's bytes, always uncompressed

 private:
  std::string FFilename;  // never stored: empty in every item read from a payload
  std::string FName;
  std::string FDescription;
};

class TFileCollection : public TCollection {
 public:
  explicit TFileCollection(TPackFiles* packFiles) : FPackFiles(packFiles) {}
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  TCollectionItem* Add() override;
  TFileItem* AddItem() { return static_cast<TFileItem*>(Add()); }
  // Appends an item made by the caller, of a class derived from TFileItem.
  TFileItem* AddItem(std::unique_ptr<TFileItem> item) { return static_cast<TFileItem*>(Append(std::move(item))); }
  TFileItem* Items(int index) const { return static_cast<TFileItem*>(Item(index)); }
  // Replaces the items by copies of other's (names, description, flag, bytes).
  void Assign(const TFileCollection& other);

  TPackFiles* FPackFiles;
};

class TPackFiles : public TNonVisual {
 public:
  explicit TPackFiles(TComponent* owner);
  ~TPackFiles() override;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  // A new in-memory stream with the bytes of the first item whose name equals name once a-z are
  // turned to upper case (other bytes, accented letters included, must be equal as they are),
  // positioned at its start; an empty stream when no item has that name.
  std::unique_ptr<TMemoryStream> ExtractToStream(std::string_view name) const;

  const std::string& Version() const { return FVersion; }
  void SetVersion(const std::string&) { FVersion = kPackFilesVersion; }  // always "1.3"
  TFileCollection& Items() { return *FItems; }
  const TFileCollection& Items() const { return *FItems; }
  void SetItems(const TFileCollection& value) { FItems->Assign(value); }

  std::string FAbout;  // stays empty; only a design-time editor hangs on it
  std::string FVersion;
  std::unique_ptr<TFileCollection> FItems;
};

// Makes TPackFiles creatable by name (for streams read without a form that declares the field).
void RegisterPackerClasses();

}  // namespace qs
