#include "compiler/tree_printer.h"

#include "compiler/grammar_nodes.h"

namespace ruvel {

namespace {

void PrintFull(const TResultList& list, std::string& out) {
  out += '(';
  out += list.ClassName();
  for (int i = 0; i < list.Count(); ++i) {
    out += ' ';
    if (const TResultList* child = list.ListItem(i))
      PrintFull(*child, out);
    else
      out += list.TokenItem(i)->Text();
  }
  out += ')';
}

void PrintShort(const TResultList& list, std::string& out);

void PrintItem(const TResultList& list, int i, std::string& out) {
  if (const TResultList* child = list.ListItem(i))
    PrintShort(*child, out);
  else
    out += list.TokenItem(i)->Text();
}

bool GroupEmpty(const TResultList& list, int i) {
  const TResultList* group = list.ListItem(i);
  return group && group->Empty();
}

// The item that stands for the whole list when its operator part is
// missing, or -1 when the list prints in full.
int TransparentItem(const TResultList& list) {
  if (list.Count() != 2 && !dynamic_cast<const G_Const*>(&list)) return -1;
  if (dynamic_cast<const G_Const*>(&list)) return list.Count() == 1 ? 0 : -1;
  if (dynamic_cast<const G_BinaryChain*>(&list) || dynamic_cast<const G_IsEx*>(&list) ||
      dynamic_cast<const G_IncEx*>(&list) || dynamic_cast<const G_LVal*>(&list) ||
      dynamic_cast<const G_LValE*>(&list) || dynamic_cast<const G_ResourceVal*>(&list))
    return GroupEmpty(list, 1) ? 0 : -1;
  if (dynamic_cast<const G_MDEx*>(&list) || dynamic_cast<const G_Expr*>(&list))
    return GroupEmpty(list, 0) ? 1 : -1;
  return -1;
}

void PrintShort(const TResultList& list, std::string& out) {
  int transparent = TransparentItem(list);
  if (transparent >= 0) {
    PrintItem(list, transparent, out);
    return;
  }
  bool group = dynamic_cast<const G_Err*>(&list) != nullptr;
  std::string name = list.ClassName();
  if (name.starts_with("G_")) name.erase(0, 2);
  out += group ? "[" : "(" + name;
  for (int i = 0; i < list.Count(); ++i) {
    if (!group || i > 0) out += ' ';
    PrintItem(list, i, out);
  }
  out += group ? ']' : ')';
}

}  // namespace

std::string PrintTree(const TResultList& tree) {
  std::string out;
  PrintFull(tree, out);
  return out;
}

std::string PrintCompact(const TResultList& tree) {
  std::string out;
  PrintShort(tree, out);
  return out;
}

}  // namespace ruvel
