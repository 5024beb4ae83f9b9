// Item identifier lists of the shell namespace, and their owner freeing them with the shell's allocator.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <utility>

// Byte length of a list without its 2-byte terminator (0 for the desktop's empty list).
inline UINT IdListLength(LPCITEMIDLIST list) {
    UINT length = 0;
    if (!list) return 0;
    for (auto* id = reinterpret_cast<const BYTE*>(list); reinterpret_cast<const SHITEMID*>(id)->cb != 0;) {
        USHORT size = reinterpret_cast<const SHITEMID*>(id)->cb;
        length += size;
        id += size;
    }
    return length;
}

// The last element of a list: an item's identifier relative to the folder that holds it. For the
// empty list that is the list itself, which every folder reads as "this folder".
inline LPCITEMIDLIST LastIdOf(LPCITEMIDLIST list) {
    if (!list) return nullptr;
    auto* last = reinterpret_cast<const BYTE*>(list);
    for (auto* id = last; reinterpret_cast<const SHITEMID*>(id)->cb != 0;) {
        last = id;
        id += reinterpret_cast<const SHITEMID*>(id)->cb;
    }
    return reinterpret_cast<LPCITEMIDLIST>(last);
}

// A list from the shell's allocator. Each owner holds a reference to the allocator, so a list may
// outlive whoever handed it over.
class IdList {
  public:
    IdList() noexcept = default;
    IdList(IMalloc* allocator, LPITEMIDLIST list) noexcept : allocator_(allocator), list_(list) {
        if (allocator_) allocator_->AddRef();
    }
    ~IdList() { Reset(); }
    IdList(IdList&& other) noexcept
        : allocator_(std::exchange(other.allocator_, nullptr)), list_(std::exchange(other.list_, nullptr)) {}
    IdList& operator=(IdList&& other) noexcept {
        if (this != &other) {
            Reset();
            allocator_ = std::exchange(other.allocator_, nullptr);
            list_ = std::exchange(other.list_, nullptr);
        }
        return *this;
    }
    IdList(const IdList&) = delete;
    IdList& operator=(const IdList&) = delete;

    LPITEMIDLIST Get() const noexcept { return list_; }
    explicit operator bool() const noexcept { return list_ != nullptr; }

    void Reset() noexcept {
        if (list_) allocator_->Free(std::exchange(list_, nullptr));
        if (allocator_) std::exchange(allocator_, nullptr)->Release();
    }
    // For functions that return a list through a pointer argument, allocated by `allocator`.
    LPITEMIDLIST* Put(IMalloc* allocator) noexcept {
        Reset();
        allocator_ = allocator;
        if (allocator_) allocator_->AddRef();
        return &list_;
    }

    // `parent` followed by `child` in one new block; empty when the allocator has no room.
    static IdList Join(IMalloc* allocator, LPCITEMIDLIST parent, LPCITEMIDLIST child) {
        UINT parentLength = IdListLength(parent), childLength = IdListLength(child);
        auto* block = static_cast<BYTE*>(allocator->Alloc(parentLength + childLength + sizeof(USHORT)));
        if (!block) return IdList();
        if (parentLength) std::memcpy(block, parent, parentLength);
        if (childLength) std::memcpy(block + parentLength, child, childLength);
        std::memset(block + parentLength + childLength, 0, sizeof(USHORT));
        return IdList(allocator, reinterpret_cast<LPITEMIDLIST>(block));
    }

  private:
    IMalloc* allocator_ = nullptr;
    LPITEMIDLIST list_ = nullptr;
};
