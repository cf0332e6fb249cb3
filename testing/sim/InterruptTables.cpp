#include "testing/sim/InterruptTables.h"

#include <cstring>
#include <stdexcept>

namespace sim {

namespace {
template <typename T>
void Put(std::vector<UINT8> &Bytes, size_t Offset, T Value) {
  if (Offset + sizeof(T) > Bytes.size()) throw std::out_of_range("interrupt table field out of range");
  std::memcpy(&Bytes[Offset], &Value, sizeof(T));
}
template <typename T>
T Get(const std::vector<UINT8> &Bytes, size_t Offset) {
  if (Offset + sizeof(T) > Bytes.size()) throw std::out_of_range("interrupt table field out of range");
  T Value;
  std::memcpy(&Value, &Bytes[Offset], sizeof(T));
  return Value;
}
size_t ItemOffset(size_t Row, size_t Item) {
  if (Item > 3) throw std::out_of_range("a routing row has four items");
  return 73 + 345 * Row + 2 * Item;
}
}  // namespace

InterruptTables::InterruptTables(size_t IoApicRows, size_t RoutingRows, UINT8 Fill)
    : Protocol(40, Fill), IoApic(20 + 24 * IoApicRows, Fill), Routing(73 + 345 * RoutingRows, Fill) {
  Put<UINT64>(Protocol, 16, reinterpret_cast<UINT64>(Routing.data()));
  Put<UINT64>(Protocol, 32, reinterpret_cast<UINT64>(IoApic.data()));
  Put<UINT32>(IoApic, 16, static_cast<UINT32>(IoApicRows));
  Put<UINT32>(Routing, 24, static_cast<UINT32>(RoutingRows));
  // Rows nobody sets must not match by accident.
  for (size_t Row = 0; Row < IoApicRows; Row++) SetIoApic(Row, 0xFFFFFFFFFFFFFFFFULL, 0xEE);
  for (size_t Row = 0; Row < RoutingRows; Row++) {
    for (size_t Item = 0; Item < 4; Item++) SetItem(Row, Item, 0, 0xEE);
  }
}

void InterruptTables::SetIoApic(size_t Row, UINT64 BaseAddress, UINT32 Id) {
  Put<UINT64>(IoApic, 20 + 24 * Row, BaseAddress);
  Put<UINT32>(IoApic, 28 + 24 * Row, Id);
}

UINT32 InterruptTables::ApicId(size_t Row) const { return Get<UINT32>(IoApic, 28 + 24 * Row); }

void InterruptTables::SetIoApicCount(UINT32 Count) { Put<UINT32>(IoApic, 16, Count); }

void InterruptTables::SetItem(size_t Row, size_t Item, UINT8 InputNumber, UINT8 Id) {
  Put<UINT8>(Routing, ItemOffset(Row, Item), InputNumber);
  Put<UINT8>(Routing, ItemOffset(Row, Item) + 1, Id);
}

UINT8 InterruptTables::ItemApicId(size_t Row, size_t Item) const { return Get<UINT8>(Routing, ItemOffset(Row, Item) + 1); }

void InterruptTables::SetRoutingCount(UINT32 Count) { Put<UINT32>(Routing, 24, Count); }

void InterruptTables::DropIoApicTable() { Put<UINT64>(Protocol, 32, 0); }

void InterruptTables::DropRoutingTable() { Put<UINT64>(Protocol, 16, 0); }

}  // namespace sim
