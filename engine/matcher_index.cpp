#include "engine/matcher_index.h"

#include <algorithm>
#include <utility>

namespace tarquel {

MatcherIndex::MatcherIndex() : nodes_(1, Node{NoNode, 0, 0, false}) {}

std::size_t MatcherIndex::Home(std::uint32_t parent, std::uint8_t label) const {
  // Fibonacci hashing: the top bits of the product mix every bit of the key.
  std::uint64_t key = (std::uint64_t{parent} << 8) | label;
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - slotBits_));
}

std::uint32_t MatcherIndex::Child(std::uint32_t parent, std::uint8_t label) const {
  if (edges_ == 0) return NoNode;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = Home(parent, label);; i = (i + 1) & mask) {
    std::uint32_t id = slots_[i];
    if (id == NoNode) return NoNode;
    const Node& node = nodes_[id];
    if (node.parent == parent && node.label == label) return id;
  }
}

void MatcherIndex::GrowSlots() {
  std::vector<std::uint32_t> old = std::move(slots_);
  slotBits_ = old.empty() ? 4 : slotBits_ + 1;
  slots_.assign(std::size_t{1} << slotBits_, NoNode);
  const std::size_t mask = slots_.size() - 1;
  for (std::uint32_t id : old) {
    if (id == NoNode) continue;
    std::size_t i = Home(nodes_[id].parent, nodes_[id].label);
    while (slots_[i] != NoNode) i = (i + 1) & mask;
    slots_[i] = id;
  }
}

std::uint32_t MatcherIndex::AddChild(std::uint32_t parent, std::uint8_t label) {
  // At most half full keeps an unsuccessful probe, the common case on every key, short.
  if ((edges_ + 1) * 2 > slots_.size()) GrowSlots();

  std::uint32_t id = freeNodes_;
  if (id != NoNode) {
    freeNodes_ = nodes_[id].parent;
  } else {
    id = static_cast<std::uint32_t>(nodes_.size());
    nodes_.emplace_back();
  }
  nodes_[id] = Node{parent, 0, label, false};
  ++nodes_[parent].children;

  const std::size_t mask = slots_.size() - 1;
  std::size_t i = Home(parent, label);
  while (slots_[i] != NoNode) i = (i + 1) & mask;
  slots_[i] = id;
  ++edges_;
  return id;
}

void MatcherIndex::RemoveEdge(std::uint32_t child) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t hole = Home(nodes_[child].parent, nodes_[child].label);
  while (slots_[hole] != child) hole = (hole + 1) & mask;
  slots_[hole] = NoNode;
  --edges_;

  // Linear probing without tombstones: pull later entries of the run back into the hole when
  // their home lies at or before it, so that every lookup still finds them before a gap.
  for (std::size_t j = (hole + 1) & mask; slots_[j] != NoNode; j = (j + 1) & mask) {
    std::uint32_t id = slots_[j];
    std::size_t home = Home(nodes_[id].parent, nodes_[id].label);
    if (((j - home) & mask) >= ((j - hole) & mask)) {
      slots_[hole] = id;
      slots_[j] = NoNode;
      hole = j;
    }
  }
}

void MatcherIndex::Insert(std::string_view trigger) {
  std::uint32_t node = 0;
  for (std::size_t i = trigger.size(); i-- > 0;) {
    auto label = static_cast<std::uint8_t>(trigger[i]);
    std::uint32_t next = Child(node, label);
    node = next != NoNode ? next : AddChild(node, label);
  }
  if (node != 0) nodes_[node].terminal = true;
}

void MatcherIndex::Erase(std::string_view trigger) {
  std::uint32_t node = 0;
  for (std::size_t i = trigger.size(); i-- > 0;) {
    node = Child(node, static_cast<std::uint8_t>(trigger[i]));
    if (node == NoNode) return;
  }
  if (node == 0 || !nodes_[node].terminal) return;
  nodes_[node].terminal = false;

  // Drop the branch that led only to this trigger.
  while (node != 0 && nodes_[node].children == 0 && !nodes_[node].terminal) {
    std::uint32_t parent = nodes_[node].parent;
    RemoveEdge(node);
    --nodes_[parent].children;
    nodes_[node].parent = freeNodes_;
    freeNodes_ = node;
    node = parent;
  }
}

std::size_t MatcherIndex::FirstTriggerEnding(std::string_view typed) const {
  const std::size_t limit = std::min(typed.size(), LongestIndexedTrigger);
  std::size_t best = 0;
  std::uint32_t node = 0;
  for (std::size_t length = 1; length <= limit; ++length) {
    node = Child(node, static_cast<std::uint8_t>(typed[typed.size() - length]));
    if (node == NoNode) break;
    if (!nodes_[node].terminal) continue;
    // Every candidate is an ending of `typed`, and each is longer than the one before; the
    // earlier one wins unless the longer one sorts before it.
    if (best == 0 || typed.substr(typed.size() - length) < typed.substr(typed.size() - best)) {
      best = length;
    }
  }
  return best;
}

}  // namespace tarquel
