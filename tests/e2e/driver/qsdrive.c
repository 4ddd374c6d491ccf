/* qsdrive: drives the installer's wizard from outside, as a user would, for the end-to-end runs.
 *
 * It finds the wizard's windows by the component names that the Win32 backend attaches to them
 * (window property "QsName", a global atom), reads texts with WM_GETTEXT, check states with
 * BM_GETCHECK, progress with PBM_GETPOS, tree items with TVM_GETITEM through memory of the
 * installer's process, and presses buttons by posting BM_CLICK so that it never blocks on a modal
 * box. Each argument is one command; the first failing expectation ends the run with exit code 1.
 *
 *   wait-form SECS              a window of the installer is shown
 *   wait-page PAGE SECS         the notebook shows the page whose caption is PAGE
 *   expect-page PAGE
 *   text NAME                   prints NAME=<text>
 *   expect-text NAME TEXT       exact window text ("\n" stands for a line break, CR LF in memos)
 *   expect-contains NAME TEXT
 *   expect-enabled NAME 0|1     also expect-visible, expect-checked
 *   expect-title TEXT           the form's caption
 *   click NAME                  BM_CLICK posted to the button
 *   key NAME VK                 WM_KEYDOWN/WM_KEYUP of a virtual key (decimal) posted to the control
 *   settext NAME TEXT           WM_SETTEXT (an edit's text, as if typed)
 *   tree NAME                   prints every node: depth, check state (-: none, 0, 1, 2), text
 *   expect-tree NAME LINES      the same listing joined with "|", e.g. "0 - Users|1 0 Ann"
 *   tree-click NAME PATH        clicks the check box of the node PATH ("Users/Ann")
 *   tree-space NAME PATH        selects the node PATH and presses Space (toggles its check box)
 *   progress NAME               prints NAME=pos min..max
 *   expect-progress NAME POS MIN MAX
 *   wait-msgbox SECS            a message box of the installer is open
 *   wait-startbox SECS          a message box shown before the wizard's window (start-up), by
 *                               any process of the desktop; later commands address its process
 *   expect-msgbox CAPTION|TEXT  its caption and text ("|" between them)
 *   text-msgbox                 prints msgbox=CAPTION|TEXT
 *   answer ok|yes|no|cancel     presses that button of the open message box
 *   close                       WM_CLOSE to the form
 *   wait-gone SECS              the installer's process has ended
 *   sleep MS
 *   list                        prints every named window: name, class, visible, enabled, text
 *   expect-absent NAME          the form has no control of that name
 */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
/* commctrl.h needs windows.h first */
#include <commctrl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAXTEXT 8192

static HDESK desk;
static HWND form;
static DWORD formPid;

static void fail(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  printf("FAIL: ");
  vprintf(fmt, ap);
  printf("\n");
  va_end(ap);
  fflush(stdout);
  exit(1);
}

static void say(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vprintf(fmt, ap);
  printf("\n");
  va_end(ap);
  fflush(stdout);
}

/* The component name of a window: the atom in its "QsName" property. */
static int nameOf(HWND w, char* buf, int size) {
  HANDLE a = GetPropA(w, "QsName");
  buf[0] = 0;
  if (!a) return 0;
  return GlobalGetAtomNameA((ATOM)(UINT_PTR)a, buf, size) > 0;
}

static void textOf(HWND w, char* buf, int size) {
  DWORD_PTR n = 0;
  buf[0] = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXT, (WPARAM)size, (LPARAM)buf, SMTO_ABORTIFHUNG, 5000, &n)) buf[0] = 0;
  buf[size - 1] = 0;
}

/* Turns "\n" into CR LF and "\\" into a backslash. */
static void unescape(const char* in, char* out, int size) {
  int o = 0;
  for (; *in && o < size - 2; ++in) {
    if (in[0] == '\\' && in[1] == 'n') {
      out[o++] = '\r';
      out[o++] = '\n';
      ++in;
    } else if (in[0] == '\\' && in[1] == '\\') {
      out[o++] = '\\';
      ++in;
    } else {
      out[o++] = *in;
    }
  }
  out[o] = 0;
}

/* ---- finding windows ---------------------------------------------------------------------- */

struct Search {
  const char* name;
  HWND found;
};

static BOOL CALLBACK findChild(HWND w, LPARAM lp) {
  struct Search* s = (struct Search*)lp;
  char n[256];
  if (nameOf(w, n, sizeof n) && _stricmp(n, s->name) == 0) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

static BOOL CALLBACK findForm(HWND w, LPARAM lp) {
  char n[256];
  (void)lp;
  if (IsWindowVisible(w) && nameOf(w, n, sizeof n)) {
    form = w;
    return FALSE;
  }
  return TRUE;
}

/* The installer runs on the Wine virtual desktop "qs" (QS_DESKTOP), which may appear only after
   the driver has started: look for it until it is there. */
static void attachDesktop(void) {
  const char* name = getenv("QS_DESKTOP");
  HDESK d;
  if (desk) return;
  d = OpenDesktopA(name && *name ? name : "qs", 0, FALSE, GENERIC_ALL);
  if (d && SetThreadDesktop(d)) desk = d;
}

static int locateForm(void) {
  form = NULL;
  attachDesktop();
  if (desk)
    EnumDesktopWindows(desk, findForm, 0);
  else
    EnumWindows(findForm, 0);
  if (form) GetWindowThreadProcessId(form, &formPid);
  return form != NULL;
}

static HWND control(const char* name) {
  struct Search s = {name, NULL};
  if (!form && !locateForm()) fail("no installer window");
  EnumChildWindows(form, findChild, (LPARAM)&s);
  if (!s.found) fail("no control named %s", name);
  return s.found;
}

/* The visible page of Notebook1: the caption of its visible child window. */
static int currentPage(char* buf, int size) {
  HWND nb = control("Notebook1");
  HWND c;
  buf[0] = 0;
  for (c = GetWindow(nb, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (IsWindowVisible(c)) {
      textOf(c, buf, size);
      return 1;
    }
  }
  return 0;
}

struct BoxSearch {
  DWORD pid;
  HWND found;
};

static BOOL CALLBACK findBox(HWND w, LPARAM lp) {
  struct BoxSearch* s = (struct BoxSearch*)lp;
  char cls[64];
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == s->pid && IsWindowVisible(w) && GetClassNameA(w, cls, sizeof cls) && strcmp(cls, "#32770") == 0) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

static BOOL CALLBACK findAnyBox(HWND w, LPARAM lp) {
  struct BoxSearch* s = (struct BoxSearch*)lp;
  char cls[64];
  if (IsWindowVisible(w) && GetClassNameA(w, cls, sizeof cls) && strcmp(cls, "#32770") == 0) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

static HWND messageBox(void) {
  struct BoxSearch s = {0, NULL};
  if (!formPid) locateForm();
  if (!formPid) return NULL;
  s.pid = formPid;
  if (desk)
    EnumDesktopWindows(desk, findBox, (LPARAM)&s);
  else
    EnumWindows(findBox, (LPARAM)&s);
  return s.found;
}

/* A message box of any process on the desktop, before the wizard's window is shown. */
static int startBoxShown(const void* arg) {
  struct BoxSearch s = {0, NULL};
  (void)arg;
  attachDesktop();
  if (desk)
    EnumDesktopWindows(desk, findAnyBox, (LPARAM)&s);
  else
    EnumWindows(findAnyBox, (LPARAM)&s);
  if (s.found) GetWindowThreadProcessId(s.found, &formPid);
  return s.found != NULL;
}

/* The text of a message box: its static control (id 0xFFFF) or, failing that, any static. */
static void boxText(HWND box, char* buf, int size) {
  HWND t = GetDlgItem(box, 0xFFFF);
  buf[0] = 0;
  if (!t) t = FindWindowExA(box, NULL, "Static", NULL);
  if (t) textOf(t, buf, size);
}

/* ---- trees, read through the installer's memory -------------------------------------------- */

struct Remote {
  HANDLE process;
  char* mem;
};

static struct Remote remoteOpen(void) {
  struct Remote r;
  r.process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, formPid);
  if (!r.process) fail("cannot open the installer's process");
  r.mem = (char*)VirtualAllocEx(r.process, NULL, 4096, MEM_COMMIT, PAGE_READWRITE);
  if (!r.mem) fail("cannot reserve memory in the installer's process");
  return r;
}

static void remoteClose(struct Remote* r) {
  VirtualFreeEx(r->process, r->mem, 0, MEM_RELEASE);
  CloseHandle(r->process);
}

/* Text and check state of one item: state image 1 unchecked, 2 checked, 3 partly; 0 none. */
static void treeItem(HWND tree, struct Remote* r, HTREEITEM item, char* text, int size, int* check) {
  TVITEMA it;
  SIZE_T n;
  memset(&it, 0, sizeof it);
  it.mask = TVIF_TEXT | TVIF_STATE | TVIF_HANDLE;
  it.hItem = item;
  it.stateMask = TVIS_STATEIMAGEMASK;
  it.pszText = r->mem + 512;
  it.cchTextMax = 4096 - 512;
  WriteProcessMemory(r->process, r->mem, &it, sizeof it, &n);
  SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)r->mem);
  ReadProcessMemory(r->process, r->mem, &it, sizeof it, &n);
  ReadProcessMemory(r->process, r->mem + 512, text, size - 1, &n);
  text[size - 1] = 0;
  *check = (int)((it.state & TVIS_STATEIMAGEMASK) >> 12);
}

static void treeWalk(HWND tree, struct Remote* r, HTREEITEM item, int depth, char* out, int size) {
  for (; item; item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item)) {
    char text[256], line[300];
    int check;
    treeItem(tree, r, item, text, sizeof text, &check);
    snprintf(line, sizeof line, "%s%d %c %s", out[0] ? "|" : "", depth, check ? '0' + check - 1 : '-', text);
    strncat(out, line, size - strlen(out) - 1);
    treeWalk(tree, r, (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item), depth + 1, out, size);
  }
}

static HTREEITEM treeFind(HWND tree, struct Remote* r, const char* path) {
  HTREEITEM item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  char part[256];
  while (*path) {
    const char* slash = strchr(path, '/');
    size_t len = slash ? (size_t)(slash - path) : strlen(path);
    if (len >= sizeof part) return NULL;
    memcpy(part, path, len);
    part[len] = 0;
    for (; item; item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item)) {
      char text[256];
      int check;
      treeItem(tree, r, item, text, sizeof text, &check);
      if (strcmp(text, part) == 0) break;
    }
    if (!item) return NULL;
    path += len;
    if (*path == '/') {
      ++path;
      item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item);
    }
  }
  return item;
}

/* Clicks the state image of an item: finds it by hit tests left of the item's text. */
static void treeClick(HWND tree, const char* path) {
  struct Remote r = remoteOpen();
  HTREEITEM item = treeFind(tree, &r, path);
  RECT rc;
  SIZE_T n;
  int x, y;
  if (!item) fail("no tree node %s", path);
  SendMessageA(tree, TVM_ENSUREVISIBLE, 0, (LPARAM)item);
  memset(&rc, 0, sizeof rc);
  memcpy(&rc, &item, sizeof item); /* TVM_GETITEMRECT takes the item in the rectangle */
  WriteProcessMemory(r.process, r.mem, &rc, sizeof rc, &n);
  if (!SendMessageA(tree, TVM_GETITEMRECT, TRUE, (LPARAM)r.mem)) fail("tree node %s is not shown", path);
  ReadProcessMemory(r.process, r.mem, &rc, sizeof rc, &n);
  y = (rc.top + rc.bottom) / 2;
  for (x = rc.left - 1; x >= 0; --x) {
    TVHITTESTINFO hit;
    memset(&hit, 0, sizeof hit);
    hit.pt.x = x;
    hit.pt.y = y;
    WriteProcessMemory(r.process, r.mem, &hit, sizeof hit, &n);
    SendMessageA(tree, TVM_HITTEST, 0, (LPARAM)r.mem);
    ReadProcessMemory(r.process, r.mem, &hit, sizeof hit, &n);
    if ((hit.flags & TVHT_ONITEMSTATEICON) && hit.hItem == item) break;
  }
  remoteClose(&r);
  if (x < 0) fail("tree node %s has no check box", path);
  {
    /* The tree's click notification finds the node from the message's cursor position, which a
       posted message takes from the cursor: put the cursor on the box first. */
    POINT at;
    at.x = x;
    at.y = y;
    ClientToScreen(tree, &at);
    POINT now;
    int i;
    SetCursorPos(at.x, at.y);
    for (i = 0; i < 50; ++i) {
      if (GetCursorPos(&now) && now.x == at.x && now.y == at.y) break;
      Sleep(20);
    }
    Sleep(100);
  }
  PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageA(tree, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

/* Selects an item and presses Space on the tree, the keyboard's way of toggling its check box. */
static void treeSpace(HWND tree, const char* path) {
  struct Remote r = remoteOpen();
  HTREEITEM item = treeFind(tree, &r, path);
  remoteClose(&r);
  if (!item) fail("no tree node %s", path);
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
  PostMessageA(tree, WM_KEYDOWN, VK_SPACE, 0x00390001);
  PostMessageA(tree, WM_KEYUP, VK_SPACE, 0xC0390001);
}

/* ---- commands ----------------------------------------------------------------------------- */

static int waitFor(int seconds, int (*cond)(const void*), const void* arg) {
  DWORD end = GetTickCount() + (DWORD)seconds * 1000;
  for (;;) {
    if (cond(arg)) return 1;
    if ((LONG)(GetTickCount() - end) >= 0) return 0;
    Sleep(100);
  }
}

static int formShown(const void* arg) {
  (void)arg;
  return locateForm();
}

static int pageShown(const void* arg) {
  char page[256];
  return currentPage(page, sizeof page) && strcmp(page, (const char*)arg) == 0;
}

static int boxShown(const void* arg) {
  (void)arg;
  return messageBox() != NULL;
}

static int processGone(const void* arg) {
  HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, formPid);
  DWORD r;
  (void)arg;
  if (!p) return 1;
  r = WaitForSingleObject(p, 0);
  CloseHandle(p);
  return r == WAIT_OBJECT_0;
}

static BOOL CALLBACK listOne(HWND w, LPARAM lp) {
  char n[256], cls[64], text[512];
  (void)lp;
  if (nameOf(w, n, sizeof n)) {
    GetClassNameA(w, cls, sizeof cls);
    textOf(w, text, sizeof text);
    say("%s\t%s\tvisible=%d enabled=%d\t%s", n, cls, IsWindowVisible(w) ? 1 : 0, IsWindowEnabled(w) ? 1 : 0, text);
  }
  return TRUE;
}

static int flag(const char* s) { return strcmp(s, "1") == 0; }

static void run(int argc, char** argv) {
  (void)argc;
  char buf[MAXTEXT], want[MAXTEXT];
  const char* cmd = argv[0];
  if (strcmp(cmd, "wait-form") == 0) {
    if (!waitFor(atoi(argv[1]), formShown, NULL)) fail("no installer window after %s s", argv[1]);
    textOf(form, buf, sizeof buf);
    say("form: %s", buf);
  } else if (strcmp(cmd, "wait-page") == 0) {
    if (!waitFor(atoi(argv[2]), pageShown, argv[1])) {
      currentPage(buf, sizeof buf);
      fail("page %s not shown after %s s (shown: %s)", argv[1], argv[2], buf);
    }
  } else if (strcmp(cmd, "expect-page") == 0) {
    currentPage(buf, sizeof buf);
    if (strcmp(buf, argv[1]) != 0) fail("page is %s, expected %s", buf, argv[1]);
  } else if (strcmp(cmd, "text") == 0) {
    textOf(control(argv[1]), buf, sizeof buf);
    say("%s=%s", argv[1], buf);
  } else if (strcmp(cmd, "expect-text") == 0 || strcmp(cmd, "expect-contains") == 0) {
    textOf(control(argv[1]), buf, sizeof buf);
    unescape(argv[2], want, sizeof want);
    if (cmd[7] == 't' ? strcmp(buf, want) != 0 : strstr(buf, want) == NULL)
      fail("%s reads \"%s\", expected %s\"%s\"", argv[1], buf, cmd[7] == 't' ? "" : "it to contain ", want);
  } else if (strcmp(cmd, "expect-title") == 0) {
    if (!form && !locateForm()) fail("no installer window");
    textOf(form, buf, sizeof buf);
    if (strcmp(buf, argv[1]) != 0) fail("form caption is \"%s\", expected \"%s\"", buf, argv[1]);
  } else if (strcmp(cmd, "expect-enabled") == 0 || strcmp(cmd, "expect-visible") == 0 ||
             strcmp(cmd, "expect-checked") == 0) {
    HWND w;
    int v;
    w = control(argv[1]);
    v = cmd[7] == 'e'   ? IsWindowEnabled(w) != 0
        : cmd[7] == 'v' ? IsWindowVisible(w) != 0
                        : SendMessageA(w, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (v != flag(argv[2])) fail("%s: %s is %d", argv[1], cmd + 7, v);
  } else if (strcmp(cmd, "click") == 0) {
    HWND w;
    w = control(argv[1]);
    if (!IsWindowEnabled(w)) fail("%s is disabled", argv[1]);
    PostMessageA(w, BM_CLICK, 0, 0);
  } else if (strcmp(cmd, "key") == 0) {
    HWND w;
    w = control(argv[1]);
    PostMessageA(w, WM_KEYDOWN, (WPARAM)atoi(argv[2]), 1);
    PostMessageA(w, WM_KEYUP, (WPARAM)atoi(argv[2]), 1 | (1u << 30) | (1u << 31));
  } else if (strcmp(cmd, "settext") == 0) {
    unescape(argv[2], want, sizeof want);
    SendMessageA(control(argv[1]), WM_SETTEXT, 0, (LPARAM)want);
  } else if (strcmp(cmd, "tree") == 0 || strcmp(cmd, "expect-tree") == 0) {
    HWND tree;
    struct Remote r;
    tree = control(argv[1]);
    r = remoteOpen();
    buf[0] = 0;
    treeWalk(tree, &r, (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0), 0, buf, sizeof buf);
    remoteClose(&r);
    if (cmd[0] == 't')
      say("%s=%s", argv[1], buf);
    else if (strcmp(buf, argv[2]) != 0)
      fail("%s holds \"%s\", expected \"%s\"", argv[1], buf, argv[2]);
  } else if (strcmp(cmd, "tree-space") == 0) {
    treeSpace(control(argv[1]), argv[2]);
  } else if (strcmp(cmd, "tree-click") == 0) {
    treeClick(control(argv[1]), argv[2]);
  } else if (strcmp(cmd, "progress") == 0 || strcmp(cmd, "expect-progress") == 0) {
    HWND w;
    int pos, lo, hi;
    w = control(argv[1]);
    pos = (int)SendMessageA(w, PBM_GETPOS, 0, 0);
    lo = (int)SendMessageA(w, PBM_GETRANGE, TRUE, 0);
    hi = (int)SendMessageA(w, PBM_GETRANGE, FALSE, 0);
    if (cmd[0] == 'p')
      say("%s=%d %d..%d", argv[1], pos, lo, hi);
    else if (pos != atoi(argv[2]) || lo != atoi(argv[3]) || hi != atoi(argv[4]))
      fail("%s is at %d in %d..%d, expected %s in %s..%s", argv[1], pos, lo, hi, argv[2], argv[3], argv[4]);
  } else if (strcmp(cmd, "wait-msgbox") == 0) {
    if (!form && !locateForm()) fail("no installer window");
    if (!waitFor(atoi(argv[1]), boxShown, NULL)) fail("no message box after %s s", argv[1]);
  } else if (strcmp(cmd, "wait-startbox") == 0) {
    if (!waitFor(atoi(argv[1]), startBoxShown, NULL)) fail("no message box after %s s", argv[1]);
  } else if (strcmp(cmd, "expect-absent") == 0) {
    struct Search s = {argv[1], NULL};
    if (!form && !locateForm()) fail("no installer window");
    EnumChildWindows(form, findChild, (LPARAM)&s);
    if (s.found) fail("the form still has a control named %s", argv[1]);
  } else if (strcmp(cmd, "text-msgbox") == 0) {
    HWND box = messageBox();
    char caption[512];
    if (!box) fail("no message box");
    textOf(box, caption, sizeof caption);
    boxText(box, buf, sizeof buf);
    say("msgbox=%s|%s", caption, buf);
  } else if (strcmp(cmd, "expect-msgbox") == 0) {
    HWND box;
    char caption[512];
    box = messageBox();
    if (!box) fail("no message box");
    textOf(box, caption, sizeof caption);
    boxText(box, buf, sizeof buf);
    snprintf(want, sizeof want, "%s|%s", caption, buf);
    if (strcmp(want, argv[1]) != 0) fail("message box reads \"%s\", expected \"%s\"", want, argv[1]);
  } else if (strcmp(cmd, "answer") == 0) {
    HWND box, b;
    int id;
    id = strcmp(argv[1], "yes") == 0  ? IDYES
         : strcmp(argv[1], "no") == 0 ? IDNO
         : strcmp(argv[1], "ok") == 0 ? IDOK
                                      : IDCANCEL;
    box = messageBox();
    if (!box) fail("no message box to answer");
    b = GetDlgItem(box, id);
    if (!b) fail("the message box has no %s button", argv[1]);
    PostMessageA(b, BM_CLICK, 0, 0);
  } else if (strcmp(cmd, "close") == 0) {
    if (!form && !locateForm()) fail("no installer window");
    PostMessageA(form, WM_CLOSE, 0, 0);
  } else if (strcmp(cmd, "wait-gone") == 0) {
    if (!formPid && !locateForm()) return;
    if (!waitFor(atoi(argv[1]), processGone, NULL)) fail("the installer still runs after %s s", argv[1]);
  } else if (strcmp(cmd, "sleep") == 0) {
    Sleep((DWORD)atoi(argv[1]));
  } else if (strcmp(cmd, "list") == 0) {
    if (!form && !locateForm()) fail("no installer window");
    listOne(form, 0);
    EnumChildWindows(form, listOne, 0);
  }
}

/* How many arguments each command takes; the last one takes the rest of the line, blanks and all. */
static const struct {
  const char* name;
  int args;
} arity[] = {{"wait-form", 1},
             {"wait-page", 2},
             {"expect-page", 1},
             {"text", 1},
             {"expect-text", 2},
             {"expect-contains", 2},
             {"expect-enabled", 2},
             {"expect-visible", 2},
             {"expect-checked", 2},
             {"expect-title", 1},
             {"click", 1},
             {"key", 2},
             {"settext", 2},
             {"tree", 1},
             {"expect-tree", 2},
             {"tree-click", 2},
             {"tree-space", 2},
             {"progress", 1},
             {"expect-progress", 4},
             {"wait-msgbox", 1},
             {"wait-startbox", 1},
             {"text-msgbox", 0},
             {"expect-absent", 1},
             {"expect-msgbox", 1},
             {"answer", 1},
             {"close", 0},
             {"wait-gone", 1},
             {"sleep", 1},
             {"list", 0}};

static void runLine(const char* arg) {
  char line[MAXTEXT];
  char* words[6];
  int n = 0, want = -1, i;
  char* p = line;
  snprintf(line, sizeof line, "%s", arg);
  say("> %s", arg);
  words[n++] = p;
  p = strchr(p, ' ');
  if (p) *p++ = 0;
  for (i = 0; i < (int)(sizeof arity / sizeof *arity); ++i)
    if (strcmp(words[0], arity[i].name) == 0) want = arity[i].args;
  if (want < 0) fail("unknown command %s", words[0]);
  while (p && n < want + 1) {
    words[n++] = p;
    if (n == want + 1) break;
    p = strchr(p, ' ');
    if (p) *p++ = 0;
  }
  if (n != want + 1) fail("%s needs %d argument(s)", words[0], want);
  run(n, words);
}

int main(int argc, char** argv) {
  int i;
  attachDesktop();
  for (i = 1; i < argc; ++i) runLine(argv[i]);
  return 0;
}
