// The component stream reader: reads a stream onto an existing root component, creating the
// components it lists, binding them to the root's fields and handlers, and raising EReadError
// (or EClassNotFound, or the naming errors of TComponent::SetName) with the messages of tags.h.
//
// Input is taken in blocks of 4,096 bytes. However the read ends, the stream is left just past the
// last byte consumed. Every length and count in the data is checked against the bytes actually
// present before anything is allocated for it, and nesting is limited to kMaxStreamNesting.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "stream/component.h"
#include "stream/valuereader.h"

namespace qs {

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
