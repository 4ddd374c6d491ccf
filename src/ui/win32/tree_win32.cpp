// Trees with a check box per node: the model's nodes as tree-view items, the boxes as state images,
// and the user's clicks and keys back to the model.
#include <algorithm>

#include "ui/controls.h"
#include "ui/treent.h"
#include "ui/win32/backend_win32.h"
#include "ui/win32/common_win32.h"

namespace qs::win32 {
namespace {

// Check box pictures of the trees' state image list: 1 unchecked, 2 checked, 3 partly checked.
constexpr int kStateNone = 0, kStateUnchecked = 1;

}  // namespace

HIMAGELIST TWin32Backend::CheckImages() {
  if (checkImages_) return checkImages_;
  // Pictures of an unchecked, a checked and a partly checked box, drawn by the system.
  const int size = Scale(16);
  checkImages_ = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 4, 0);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  for (int i = 0; i < 4; ++i) {
    HBITMAP bmp = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, size, size};
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    if (i > 0) {
      RECT box{Scale(2), Scale(2), size - Scale(1), size - Scale(1)};
      UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
      if (i == 2) state |= DFCS_CHECKED;
      if (i == 3) state |= DFCS_CHECKED | DFCS_INACTIVE;
      DrawFrameControl(dc, &box, DFC_BUTTON, state);
    }
    SelectObject(dc, old);
    ImageList_AddMasked(checkImages_, bmp, RGB(1, 2, 3));
    DeleteObject(bmp);
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return checkImages_;
}

void TWin32Backend::FillTree(View& v) {
  auto& tree = static_cast<TTreeNT&>(*v.control);
  v.updating = true;
  SendMessageA(v.hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  v.items.clear();
  for (int i = 0; i < tree.TopCount(); ++i) InsertNode(v, *tree.TopItem(i));
  v.updating = false;
}

void TWin32Backend::InsertNode(View& v, const TTreeNode& node) {
  if (v.items.count(&node)) return;
  TVINSERTSTRUCTA ins{};
  HTREEITEM parent = TVI_ROOT;
  if (node.Parent()) {
    auto p = v.items.find(node.Parent());
    if (p == v.items.end()) return;
    parent = p->second;
  }
  ins.hParent = parent;
  ins.hInsertAfter = TVI_FIRST;
  // After its previous sibling, wherever the node sits among its siblings.
  const int index = node.Index();
  if (index > 0) {
    const TTreeNode* prev = node.Parent() ? node.Parent()->Item(index - 1) : node.Tree().TopItem(index - 1);
    auto p = v.items.find(prev);
    ins.hInsertAfter = p != v.items.end() ? p->second : TVI_LAST;
  }
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  ins.item.pszText = const_cast<char*>(node.Text().c_str());
  ins.item.lParam = reinterpret_cast<LPARAM>(&node);
  ins.item.iImage = node.ImageIndex();
  ins.item.iSelectedImage = node.SelectedIndex();
  const int state = node.ShowsCheckBox() ? kStateUnchecked + std::clamp(node.CheckState(), 0, 2) : kStateNone;
  ins.item.state = INDEXTOSTATEIMAGEMASK(state);
  ins.item.stateMask = TVIS_STATEIMAGEMASK;
  HTREEITEM item =
      reinterpret_cast<HTREEITEM>(SendMessageA(v.hwnd, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  if (!item) return;
  v.items[&node] = item;
  for (int i = 0; i < node.Count(); ++i) InsertNode(v, *node.Item(i));
  if (node.Expanded() && node.HasChildren())
    SendMessageA(v.hwnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
  if (node.Parent() && node.Parent()->Expanded())
    SendMessageA(v.hwnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
}

void TWin32Backend::UpdateNode(View& v, const TTreeNode& node) {
  auto it = v.items.find(&node);
  if (it == v.items.end()) return;
  TVITEMA item{};
  item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  item.hItem = it->second;
  item.pszText = const_cast<char*>(node.Text().c_str());
  item.iImage = node.ImageIndex();
  item.iSelectedImage = node.SelectedIndex();
  const int state = node.ShowsCheckBox() ? kStateUnchecked + std::clamp(node.CheckState(), 0, 2) : kStateNone;
  item.state = INDEXTOSTATEIMAGEMASK(state);
  item.stateMask = TVIS_STATEIMAGEMASK;
  SendMessageA(v.hwnd, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void TWin32Backend::ForgetNode(View& v, const TTreeNode& node) {
  v.items.erase(&node);
  for (int i = 0; i < node.Count(); ++i) ForgetNode(v, *node.Item(i));
}

void TWin32Backend::TreeChanged(TTreeNT& tree, TTreeNode* node, TreeChange what) {
  View* v = Find(&tree);
  if (!v) return;
  auto item = [&]() -> HTREEITEM {
    auto it = node ? v->items.find(node) : v->items.end();
    return it == v->items.end() ? nullptr : it->second;
  };
  v->updating = true;
  switch (what) {
    case TreeChange::Added:
      if (node) InsertNode(*v, *node);
      break;
    case TreeChange::Deleting:
      if (HTREEITEM h = item()) {
        ForgetNode(*v, *node);
        SendMessageA(v->hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(h));
      }
      break;
    case TreeChange::Cleared:
      SendMessageA(v->hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
      v->items.clear();
      break;
    case TreeChange::Text:
    case TreeChange::Images:
      if (node) UpdateNode(*v, *node);
      break;
    case TreeChange::CheckState:
      // The node's own box, and its children's (whose boxes follow this node's check type).
      if (node) {
        UpdateNode(*v, *node);
        for (int i = 0; i < node->Count(); ++i) UpdateNode(*v, *node->Item(i));
      }
      break;
    case TreeChange::Expanded:
      if (HTREEITEM h = item())
        SendMessageA(v->hwnd, TVM_EXPAND, node->Expanded() ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(h));
      break;
    case TreeChange::MakeVisible:
      if (HTREEITEM h = item()) SendMessageA(v->hwnd, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(h));
      break;
    case TreeChange::BeginUpdate:
      SendMessageA(v->hwnd, WM_SETREDRAW, FALSE, 0);
      break;
    case TreeChange::EndUpdate:
      SendMessageA(v->hwnd, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(v->hwnd, nullptr, TRUE);
      break;
  }
  v->updating = false;
}

// What the user does in a tree: a click on a node's check box or the space bar toggles it
// through the model (which honours it only for a node that shows a box and is enabled).
LRESULT TWin32Backend::TreeNotify(View& v, NMHDR* hdr) {
  auto toggle = [this](HTREEITEM h, HWND tree) {
    TVITEMA item{};
    item.mask = TVIF_HANDLE | TVIF_PARAM;
    item.hItem = h;
    if (!h || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) || !item.lParam) return;
    auto* node = reinterpret_cast<TTreeNode*>(item.lParam);
    Safely([node] { node->SetCheckState(node->CheckState() == csChecked ? csUnchecked : csChecked); });
  };
  auto hit = [&v](UINT* flags) {
    TVHITTESTINFO info{};
    const DWORD pos = GetMessagePos();
    info.pt.x = static_cast<short>(LOWORD(pos));
    info.pt.y = static_cast<short>(HIWORD(pos));
    ScreenToClient(v.hwnd, &info.pt);
    auto h = reinterpret_cast<HTREEITEM>(SendMessageA(v.hwnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    *flags = info.flags;
    return h;
  };
  auto& tree = static_cast<TTreeNT&>(*v.control);
  switch (hdr->code) {
    case NM_CLICK: {
      UINT flags = 0;
      HTREEITEM h = hit(&flags);
      if (h && (flags & TVHT_ONITEMSTATEICON)) toggle(h, v.hwnd);
      return 0;
    }
    case NM_RCLICK: {
      UINT flags = 0;
      HTREEITEM h = hit(&flags);
      if (h && Has(tree.Options(), toRightClickSelect))
        SendMessageA(v.hwnd, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(h));
      return 0;
    }
    case TVN_KEYDOWN: {
      auto* key = reinterpret_cast<NMTVKEYDOWN*>(hdr);
      if (key->wVKey == VK_SPACE) {
        toggle(reinterpret_cast<HTREEITEM>(SendMessageA(v.hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0)), v.hwnd);
        return 1;  // not part of an incremental search
      }
      return 0;
    }
    case TVN_ITEMEXPANDEDA: {
      auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
      if (!v.updating && nm->itemNew.lParam) {
        auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
        const bool expanded = (nm->itemNew.state & TVIS_EXPANDED) != 0;
        v.updating = true;
        Safely([node, expanded] { node->SetExpanded(expanded); });
        v.updating = false;
      }
      return 0;
    }
    case NM_CUSTOMDRAW: {
      // Disabled nodes are drawn in the grey of disabled text.
      auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(hdr);
      if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        auto* node = reinterpret_cast<TTreeNode*>(cd->nmcd.lItemlParam);
        if (node && (!node->Enabled() || !tree.Enabled())) cd->clrText = GetSysColor(COLOR_GRAYTEXT);
      }
      return CDRF_DODEFAULT;
    }
    default:
      return 0;
  }
}

}  // namespace qs::win32
