// The component stream reader: reads a stream onto an existing root component, creating the
// components it lists, binding them to the root's fields and handlers, and raising EReadError
// (or EClassNotFound, or the naming errors of TComponent::SetName) with the messages of tags.h.
//
// Input is taken in blocks of 4,096 bytes. However the read ends, the stream is left just past the
// last byte consumed. Every length and count in the data is checked against the bytes actually
// present before anything is allocated for it, and nesting is limited to kMaxStreamNesting.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "stream/component.h"
#include "stream/tags.h"

namespace qs {

class TMemoryStream;

// Reads the values of a stream without knowing any class: the tags and their payloads.
class TValueReader {
 public:
  explicit TValueReader(TStream& stream);
  TValueReader(const TValueReader&) = delete;
  TValueReader& operator=(const TValueReader&) = delete;
  virtual ~TValueReader() = default;

  // The tag of the next value, not consumed.
  ValueTag NextValue();
  // Consumes and gives the next tag.
  ValueTag ReadValue();
  // True when the next byte is 0 (the end of a list, a collection or a record list); not consumed.
  bool EndOfList();
  void ReadListBegin();  // tag 1, else "invalid property value"
  void ReadListEnd();    // a 0 byte, else "invalid property value"

  std::int32_t ReadInteger();       // tags 2, 3, 4
  std::string ReadString();         // tags 6, 12
  std::string ReadIdent();          // tag 7, or 8, 9, 13, 0 as "False", "True", "nil", "Null"; top bit ignored
  bool ReadBoolean();               // tags 8, 9
  char ReadChar();                  // tag 6 with exactly one byte
  double ReadFloat();               // tag 5, or an integer tag
  std::u16string ReadWideString();  // tag 18
  // Skips one value of any tag, whatever it contains.
  void SkipValue();

  // Raw payload reads.
  std::string ReadStr();  // a counted string
  void Read(void* buffer, std::size_t count);
  // Reads count bytes into another stream at its position ("stream read error", with nothing
  // written, when fewer remain).
  void ReadInto(TStream& dest, std::size_t count);
  std::uint8_t ReadByte();
  std::uint32_t ReadU32();
  std::uint64_t ReadU64();
  // The length or count field of tags 10, 12 and 18 (unit bytes per element), checked against
  // the bytes that remain: "invalid property value" when negative, "stream read error" when the
  // data cannot hold it.
  std::size_t ReadLength(bool isSigned, std::size_t unit);
  void Skip(std::uint64_t count);  // "stream read error" when fewer bytes remain

  // Bytes that remain: the unread part of the current block and the rest of the stream.
  std::uint64_t Available();
  // Gives the stream back the unread part of the current block (safe to call more than once).
  void FixupPosition();

 protected:
  // Limits the depth of nested records and values; raises kMsgNestingTooDeep.
  class Nest {
   public:
    explicit Nest(TValueReader& r);
    ~Nest() { --r_.depth_; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;

   private:
    TValueReader& r_;
  };
  [[noreturn]] static void InvalidValue();

 private:
  bool Fill();
  TStream& stream_;
  std::array<std::uint8_t, 4096> buf_{};
  std::size_t pos_ = 0, end_ = 0;
  int depth_ = 0;
};

// Reads a component stream onto a root. Defined-property readers receive the reader and call
// the value reads above; the value they are offered must be consumed whole.
class TReader : public TValueReader, public TFiler {
 public:
  TReader(TStream& stream, TComponent& root);

  // Reads the signature and the root's record, resolves references, sends the loaded
  // notifications. On failure the components read so far are finished too (see reader.cpp).
  void ReadRootComponent();

  TComponent& Root() const { return root_; }
  TComponent* Owner() const { return owner_; }    // owner of the components being created
  TComponent* Parent() const { return parent_; }  // parent of the components being created

  // Reads a collection value (after its tag 14) into an existing collection.
  void ReadCollection(TCollection& collection);

  void DefineProperty(std::string_view name, const std::function<void(TReader&)>& read,
                      const std::function<void(TWriter&)>& write, bool hasData) override;
  void DefineBinaryProperty(std::string_view name, const std::function<void(TStream&)>& read,
                            const std::function<void(TStream&)>& write, bool hasData) override;

 private:
  struct Fixup {
    TPersistent* instance;
    const PropInfo* prop;
    std::string name;
    // The collections whose items were being read when it was recorded: clearing one of them
    // frees the instance.
    std::vector<const TCollection*> items;
  };
  void ReadPrefix(unsigned& flags, std::int32_t& position);
  void ReadState(TComponent& component);
  void ReadComponent();
  void ReadProperty(TPersistent& instance);
  void ReadPropertyPath(TPersistent& instance, const std::string& path);
  void ReadPropValue(TPersistent& instance, const PropInfo& prop);
  PropValue ReadVariant();
  const ClassInfo& FindClass(const std::string& name) const;
  void DestroyCreatedFrom(std::size_t mark);
  void DropFixupsOf(const TCollection& collection);
  void ResolveFixups();
  void FinishLoading(bool succeeded);

  TComponent& root_;
  TComponent* owner_ = nullptr;
  TComponent* parent_ = nullptr;
  std::vector<TComponent*> loaded_;   // the root, then each component in the order it was read
  std::vector<TComponent*> created_;  // components this read created, in creation order
  std::vector<Fixup> fixups_;
  std::vector<const TCollection*> items_;  // collections whose items are being read, outermost first
  // The name being offered to DefineProperties, and whether one of them took it.
  std::string definedName_;
  bool definedTaken_ = false;
};

// Reads the component stream at the stream's position onto root.
void ReadComponentStream(TStream& stream, TComponent& root);

}  // namespace qs
