// Persistent objects, components with ownership, string lists and a memory
// stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Events.h"
#include "SysUtils.h"

namespace ui {

// Something that can be stored in a window definition and copied.
class TPersistent : public TObject {
public:
    const char* ClassName() const override { return "TPersistent"; }
    // Copies the state of another object; a class that can do so overrides.
    virtual void Assign(const TPersistent& source);
};

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csDesigning = 1u << 1,
    csDestroying = 1u << 2,
};
using TComponentState = unsigned;

// A component belongs to its owner, which frees it. Components are never
// freed through interface reference counts.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const char* ClassName() const override { return "TComponent"; }

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_[static_cast<size_t>(index)]; }

    TComponentState ComponentState() const { return state_; }
    bool IsLoading() const { return (state_ & csLoading) != 0; }
    bool IsDesigning() const { return (state_ & csDesigning) != 0; }
    bool IsDestroying() const { return (state_ & csDestroying) != 0; }
    // Marks the component as going away; a destructor calls it before it
    // takes anything down.
    void Destroying() { state_ |= csDestroying; }

    // Marks the component (and what it owns) as being read from a
    // definition; a component made by an owner that is loading is marked
    // too. EndLoading clears the mark and runs Loaded on each, owned
    // components first in creation order, then the component itself.
    void BeginLoading();
    void EndLoading();

    void SetDesigning(bool designing);

    // Frees every owned component, last created first.
    void DestroyComponents();

protected:
    // Runs once the component's stored properties have all been read.
    virtual void Loaded();

private:
    void InsertComponent(TComponent* child);
    void RemoveComponent(TComponent* child);

    TComponent* owner_;
    std::string name_;
    std::vector<TComponent*> components_;
    TComponentState state_ = 0;
};

// An ordered list of strings; OnChange fires once per change, and once for a
// whole bulk assignment.
class TStrings : public TPersistent {
public:
    const char* ClassName() const override { return "TStrings"; }

    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& s);
    virtual void Insert(int index, const std::string& s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    int Add(const std::string& s);
    std::string operator[](int index) const { return Get(index); }

    // Lines joined with CR LF, each line followed by it.
    std::string Text() const;
    void SetText(const std::string& text);

    void Assign(const TPersistent& source) override;
    void Assign(const std::vector<std::string>& lines);

    void BeginUpdate();
    void EndUpdate();

    TNotifyEvent OnChange;

protected:
    void Changed();
    int UpdateCount() const { return updateCount_; }

private:
    int updateCount_ = 0;
    bool changedWhileUpdating_ = false;
};

class TStringList : public TStrings {
public:
    const char* ClassName() const override { return "TStringList"; }
    int Count() const override { return static_cast<int>(items_.size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
    void Clear() override;

private:
    std::vector<std::string> items_;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// A growable block of bytes with a position.
class TMemoryStream : public TObject {
public:
    const char* ClassName() const override { return "TMemoryStream"; }

    size_t Read(void* buffer, size_t count);
    size_t Write(const void* buffer, size_t count);
    int64_t Seek(int64_t offset, TSeekOrigin origin);

    size_t Size() const { return data_.size(); }
    void SetSize(size_t size);
    size_t Position() const { return position_; }
    const uint8_t* Memory() const { return data_.data(); }
    void Clear();

private:
    std::vector<uint8_t> data_;
    size_t position_ = 0;
};

}  // namespace ui
