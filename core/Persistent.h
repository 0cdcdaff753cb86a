// The small object model the program is built from: exceptions, persistent objects that
// describe their published properties, collections and components with owners.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// The base of every exception the program raises; the message is what the user sees.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// Text that is not component text (or not a number where one is needed).
class EParserError : public Exception {
 public:
  using Exception::Exception;
};

// A value that cannot be converted or assigned.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Raised to stop the current action silently (a dialog's OK that refuses its input, a dataset
// event that refuses a change).
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// A file that cannot be created, opened or written.
class EInOutError : public Exception {
 public:
  using Exception::Exception;
};

// Image data that is not what its format says. Exception is a virtual base, so that a reader's
// own exception may descend from this one and from its library's base at once.
class EInvalidGraphic : public virtual Exception {
 public:
  explicit EInvalidGraphic(const std::string& message) : Exception(message) {}
};

class TPersistent;
class TCollection;

using TStringList = std::vector<std::string>;

// Lists the published properties of one object, in published order. The component-text
// writer reads each current value; the reader assigns through each setter.
class TPropertyVisitor {
 public:
  template <class T>
  using Setter = std::function<void(T)>;

  virtual ~TPropertyVisitor() = default;

  virtual void Integer(const char* name, int32_t value, const Setter<int32_t>& set) = 0;
  virtual void Boolean(const char* name, bool value, const Setter<bool>& set) = 0;
  virtual void String(const char* name, const std::string& value, const Setter<const std::string&>& set) = 0;
  // An enumeration: its value is an index into Identifiers.
  virtual void Enumeration(const char* name, int value, std::span<const char* const> identifiers,
                           const Setter<int>& set) = 0;
  virtual void Strings(const char* name, TStringList& list) = 0;
  // A set of enumeration values: bit i of Value stands for Identifiers[i]. A visitor that only
  // lists scalar properties may leave sets out.
  virtual void Set(const char* name, unsigned value, std::span<const char* const> identifiers,
                   const Setter<unsigned>& set) {}
  virtual void Collection(const char* name, TCollection& collection) = 0;
  // Binary data, held as bytes. Save gives the bytes and is called only when they are written;
  // when Stored is false the property is left out of what is written, and is still read.
  virtual void Binary(const char* name, bool stored, const std::function<std::string()>& save,
                      const Setter<const std::string&>& load) = 0;
  // A published object that is not a component: its properties are prefixed with Name and a dot.
  virtual void Object(const char* name, TPersistent& object) = 0;

  // Plain fields, read and written directly.
  void Integer(const char* name, int32_t& field) {
    Integer(name, field, [&field](int32_t v) { field = v; });
  }
  void Boolean(const char* name, bool& field) {
    Boolean(name, field, [&field](bool v) { field = v; });
  }
  void String(const char* name, std::string& field) {
    String(name, field, [&field](const std::string& v) { field = v; });
  }
  template <class E>
  void Enumeration(const char* name, E& field, std::span<const char* const> identifiers) {
    Enumeration(name, static_cast<int>(field), identifiers, [&field](int v) { field = static_cast<E>(v); });
  }
  void Set(const char* name, unsigned& field, std::span<const char* const> identifiers) {
    Set(name, field, identifiers, [&field](unsigned v) { field = v; });
  }
  // Bytes, written when there are any.
  void Binary(const char* name, std::string& field) {
    Binary(
        name, !field.empty(), [&field] { return field; }, [&field](const std::string& v) { field = v; });
  }
};

class TPersistent {
 public:
  virtual ~TPersistent() = default;
  // Lists the published properties in their published order.
  virtual void describe(TPropertyVisitor& visitor) = 0;
};

class TCollectionItem : public TPersistent {};

// An ordered list of items that the collection owns.
class TCollection : public TPersistent {
 public:
  virtual int Count() const = 0;
  virtual TCollectionItem& ItemAt(int index) = 0;
  virtual TCollectionItem& AddItem() = 0;
  virtual void Clear() = 0;

  // A collection has no properties of its own; its items are listed by the visitor.
  void describe(TPropertyVisitor&) override {}
};

template <class T>
class TOwnedCollection : public TCollection {
 public:
  int Count() const override { return static_cast<int>(FItems.size()); }
  T& GetItem(int index) { return *FItems.at(static_cast<size_t>(index)); }
  const T& GetItem(int index) const { return *FItems.at(static_cast<size_t>(index)); }
  TCollectionItem& ItemAt(int index) override { return GetItem(index); }
  TCollectionItem& AddItem() override { return Add(); }
  void Clear() override { FItems.clear(); }

  T& Add() { return *FItems.emplace_back(std::make_unique<T>()); }
  T& Insert(int index) {
    auto position = FItems.begin() + std::clamp<ptrdiff_t>(index, 0, static_cast<ptrdiff_t>(FItems.size()));
    return **FItems.insert(position, std::make_unique<T>());
  }
  void Delete(int index) { FItems.erase(FItems.begin() + index); }
  // Moves the item at CurIndex to NewIndex; the others keep their order.
  void Move(int curIndex, int newIndex) {
    std::unique_ptr<T> item = std::move(FItems.at(static_cast<size_t>(curIndex)));
    FItems.erase(FItems.begin() + curIndex);
    auto position = FItems.begin() + std::clamp<ptrdiff_t>(newIndex, 0, static_cast<ptrdiff_t>(FItems.size()));
    FItems.insert(position, std::move(item));
  }

  // Assignment copies the items one by one through the items' own Assign.
  void Assign(const TOwnedCollection& other) {
    if (&other == this) return;
    FItems.clear();
    for (const auto& item : other.FItems) Add().Assign(*item);
  }

  auto begin() { return FItems.begin(); }
  auto end() { return FItems.end(); }
  auto begin() const { return FItems.cbegin(); }
  auto end() const { return FItems.cend(); }

 private:
  std::vector<std::unique_ptr<T>> FItems;
};

// A named object with an owner: the owner frees what it owns, newest first.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  virtual const char* ClassName() const = 0;

  std::string Name;
  int Tag = 0;  // the owner's own mark: a number it tells its components apart by
  TComponent* Owner() const { return FOwner; }
  const std::vector<TComponent*>& Components() const { return FComponents; }

  // A component has no published properties unless it says so.
  void describe(TPropertyVisitor&) override {}
  // Once its owner has built it and set its properties, or component text has filled them:
  // the component puts into effect what they ask for together.
  virtual void Loaded() {}

  // A component that keeps a reference to Component, owned elsewhere, asks to be told through
  // Notification when it goes; each of the two is told when the other goes first.
  void FreeNotification(TComponent* component);

 protected:
  // The component given is going: every reference to it must be cleared now.
  virtual void Notification(TComponent&) {}

 private:
  TComponent* FOwner;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};
