#include "Classes.h"

#include <algorithm>

namespace ui {

void TPersistent::Assign(const TPersistent& source) {
    throw Exception(std::string("Cannot assign a ") + source.ClassName() + " to a " + ClassName());
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (!owner_) return;
    owner_->InsertComponent(this);
    // Made while its owner's definition is read, it is part of that
    // definition: its after-load notification comes with the owner's.
    if (owner_->IsLoading()) state_ |= csLoading;
}

TComponent::~TComponent() {
    state_ |= csDestroying;
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
    // Last created first, so that no component outlives one it was created
    // after.
    while (!components_.empty()) {
        TComponent* child = components_.back();
        components_.pop_back();
        child->owner_ = nullptr;
        delete child;
    }
}

void TComponent::InsertComponent(TComponent* child) { components_.push_back(child); }

void TComponent::RemoveComponent(TComponent* child) {
    components_.erase(std::remove(components_.begin(), components_.end(), child), components_.end());
}

void TComponent::BeginLoading() {
    state_ |= csLoading;
    for (TComponent* c : components_) c->BeginLoading();
}

void TComponent::EndLoading() {
    for (TComponent* c : components_) c->EndLoading();
    if (state_ & csLoading) {
        state_ &= ~csLoading;
        Loaded();
    }
}

void TComponent::SetDesigning(bool designing) {
    if (designing)
        state_ |= csDesigning;
    else
        state_ &= ~csDesigning;
}

void TComponent::Loaded() {}

void TStrings::Put(int index, const std::string& s) {
    BeginUpdate();
    Delete(index);
    Insert(index, s);
    EndUpdate();
}

int TStrings::Add(const std::string& s) {
    int index = Count();
    Insert(index, s);
    return index;
}

std::string TStrings::Text() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(const std::string& text) {
    BeginUpdate();
    Clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        Add(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r') ++end;
        if (end < text.size() && text[end] == '\n') ++end;
        start = end;
    }
    Changed();
    EndUpdate();
}

void TStrings::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TStrings*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    std::vector<std::string> lines;
    for (int i = 0; i < other->Count(); ++i) lines.push_back(other->Get(i));
    Assign(lines);
}

void TStrings::Assign(const std::vector<std::string>& lines) {
    BeginUpdate();
    Clear();
    for (const auto& line : lines) Add(line);
    // A bulk assignment is one change, also when it leaves the lines as
    // they were: its listener acts on every assignment.
    Changed();
    EndUpdate();
}

void TStrings::BeginUpdate() { ++updateCount_; }

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0 && changedWhileUpdating_) {
        changedWhileUpdating_ = false;
        if (OnChange) OnChange(this);
    }
}

void TStrings::Changed() {
    if (updateCount_ > 0) {
        changedWhileUpdating_ = true;
        return;
    }
    if (OnChange) OnChange(this);
}

std::string TStringList::Get(int index) const { return items_.at(static_cast<size_t>(index)); }

void TStringList::Put(int index, const std::string& s) {
    items_.at(static_cast<size_t>(index)) = s;
    Changed();
}

void TStringList::Insert(int index, const std::string& s) {
    if (index < 0 || index > Count()) throw Exception("List index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, s);
    Changed();
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count()) throw Exception("List index out of bounds (" + std::to_string(index) + ")");
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    items_.clear();
    Changed();
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    size_t available = position_ < data_.size() ? data_.size() - position_ : 0;
    size_t n = std::min(count, available);
    if (n) std::copy_n(data_.data() + position_, n, static_cast<uint8_t*>(buffer));
    position_ += n;
    return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    if (count) std::copy_n(static_cast<const uint8_t*>(buffer), count, data_.data() + position_);
    position_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == soBeginning ? 0
                   : origin == soCurrent ? static_cast<int64_t>(position_)
                                         : static_cast<int64_t>(data_.size());
    int64_t target = base + offset;
    if (target < 0) target = 0;
    position_ = static_cast<size_t>(target);
    return target;
}

void TMemoryStream::SetSize(size_t size) {
    data_.resize(size);
    if (position_ > size) position_ = size;
}

void TMemoryStream::Clear() {
    data_.clear();
    position_ = 0;
}

}  // namespace ui
