// Enumerators of connection points and connections.
#include "connection_enums.h"

#include <atomic>
#include <new>
#include <type_traits>

#include "control/com/type_library.h"
#include "server.h"

namespace lf::com {
namespace {

IUnknown* Unknown(IConnectionPoint* p) { return reinterpret_cast<IUnknown*>(p); }
IUnknown* Unknown(const CONNECTDATA& c) { return c.pUnk; }

// One enumerator over Items; Interface is the enumerator's interface.
template <class Interface, class Vtbl, class Item>
class Enumerator : public Interface {
 public:
  Enumerator(const std::vector<Item>& items, size_t position) : items_(items), position_(position) {
    this->lpVtbl = &kVtbl;
    for (const Item& item : items_) Unknown(item)->lpVtbl->AddRef(Unknown(item));
    ObjectCreated();
  }
  ~Enumerator() {
    for (const Item& item : items_) Unknown(item)->lpVtbl->Release(Unknown(item));
    ObjectDestroyed();
  }

  static Interface* Make(const std::vector<Item>& items, size_t position) {
    try {
      return new Enumerator(items, position);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }

 private:
  static Enumerator* Self(Interface* p) { return static_cast<Enumerator*>(p); }
  static HRESULT QueryInterface(Interface* p, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (SameGuid(*riid, IID_IUnknown) || SameGuid(*riid, Iid())) {
      *out = p;
      AddRef(p);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  static const GUID& Iid() {
    if constexpr (std::is_same_v<Item, CONNECTDATA>) return IID_IEnumConnections;
    else return IID_IEnumConnectionPoints;
  }
  static ULONG AddRef(Interface* p) { return ++Self(p)->refs_; }
  static ULONG Release(Interface* p) {
    ULONG n = --Self(p)->refs_;
    if (n == 0) delete Self(p);
    return n;
  }
  static HRESULT Next(Interface* p, ULONG count, Item* out, ULONG* fetched) {
    Enumerator* self = Self(p);
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && self->position_ < self->items_.size(); ++n) {
      out[n] = self->items_[self->position_++];
      Unknown(out[n])->lpVtbl->AddRef(Unknown(out[n]));
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  static HRESULT Skip(Interface* p, ULONG count) {
    Enumerator* self = Self(p);
    const size_t left = self->items_.size() - self->position_;
    self->position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  static HRESULT Reset(Interface* p) {
    Self(p)->position_ = 0;
    return S_OK;
  }
  static HRESULT Clone(Interface* p, Interface** out) {
    if (!out) return E_POINTER;
    *out = Make(Self(p)->items_, Self(p)->position_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

  static constexpr Vtbl kVtbl = {QueryInterface, AddRef, Release, Next, Skip, Reset, Clone};
  std::atomic<ULONG> refs_{1};
  std::vector<Item> items_;
  size_t position_;
};

}  // namespace

IEnumConnections* NewConnectionsEnum(const std::vector<CONNECTDATA>& items) {
  return Enumerator<IEnumConnections, IEnumConnectionsVtbl, CONNECTDATA>::Make(items, 0);
}

IEnumConnectionPoints* NewPointsEnum(IConnectionPoint* point) {
  return Enumerator<IEnumConnectionPoints, IEnumConnectionPointsVtbl, IConnectionPoint*>::Make({point}, 0);
}

}  // namespace lf::com
