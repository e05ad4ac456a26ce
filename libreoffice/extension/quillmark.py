# The part of Quillmark that lives inside LibreOffice. Quillmark itself runs in a
# process of its own and talks to the office through a UNO connection; anything it
# registered in the office from over there would break the office's frames when that
# process dies. So the office side is this small extension:
#
# - ProtocolHandler: every vnd.quillmark: command URL (a click on a tool bar item,
#   a dispatch through a frame) is forwarded to the Quillmark process registered for
#   the frame's module. Forwarding happens on a thread of this extension, so the
#   office never waits for Quillmark; a process that died is simply forgotten and
#   the item does nothing until a new process registers.
# - Bridge: a Quillmark process registers an XDispatch of its own by creating this
#   service with the arguments (listener, module names...). The newest registration
#   for a module wins; disposing the Bridge object (or the process dying) ends it.
# - SearchFieldController: the text field of vnd.quillmark:search; Enter dispatches
#   vnd.quillmark:search through the frame with the typed text as argument "Text".
# - StartJob: when the first document window appears, starts Quillmark (the program
#   named in the autostart file written by its installation) connected to this
#   office through a pipe that this job opens.
import os
import queue
import subprocess
import threading
import time

import uno
import unohelper

from com.sun.star.awt import XKeyListener, WindowDescriptor, Rectangle
from com.sun.star.awt.WindowClass import SIMPLE
# The office's own values: written out by hand, 1 | 2 would be SHOW | FULLSIZE, a field
# sized to the still empty tool bar, and so never seen.
from com.sun.star.awt.WindowAttribute import BORDER, SHOW
from com.sun.star.beans import PropertyValue
from com.sun.star.frame import (XDispatch, XDispatchProvider, XToolbarController, XStatusListener,
                                FeatureStateEvent)
from com.sun.star.lang import XInitialization, XServiceInfo, XComponent
from com.sun.star.task import XJob
from com.sun.star.util import XUpdatable

PROTOCOL = "vnd.quillmark:"
SEARCH_URL = PROTOCOL + "search"
KEY_RETURN = 1280  # com.sun.star.awt.Key.RETURN

_lock = threading.Lock()
# module name ("" = every module) -> (registration id, XDispatch of the Quillmark process)
_listeners = {}
_next_id = [1]
_queue = queue.Queue()
_worker = [None]
_acceptor = [None]  # keeps the pipe opened by StartJob alive


def _log(text):
    if os.environ.get("QUILLMARK_EXTENSION_TRACE"):
        import sys
        sys.stderr.write("quillmark extension: %s\n" % text)


def _listener_for(module):
    with _lock:
        entry = _listeners.get(module) or _listeners.get("")
        return entry


def _forget(reg_id):
    with _lock:
        for key in [k for k, v in _listeners.items() if v[0] == reg_id]:
            del _listeners[key]


def _work():
    while True:
        reg_id, listener, url, args = _queue.get()
        try:
            listener.dispatch(url, tuple(args))
        except Exception as e:  # the Quillmark process is gone or failed: forget it
            _log("forwarding %s failed: %s" % (url.Complete, e))
            _forget(reg_id)


def _forward(module, url, args):
    entry = _listener_for(module)
    if entry is None:
        _log("no Quillmark process for %s; %s ignored" % (module, url.Complete))
        return False
    with _lock:
        if _worker[0] is None:
            _worker[0] = threading.Thread(target=_work, name="quillmark-forward", daemon=True)
            _worker[0].start()
    _queue.put((entry[0], entry[1], url, args))
    return True


def _module_of(ctx, frame):
    if frame is None:
        return ""
    try:
        manager = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.ModuleManager", ctx)
        return manager.identify(frame)
    except Exception:
        return ""


def _prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


class ProtocolHandler(unohelper.Base, XInitialization, XDispatchProvider, XDispatch, XServiceInfo):
    IMPLE = "org.quillmark.office.ProtocolHandler"
    SERVICES = ("com.sun.star.frame.ProtocolHandler",)

    def __init__(self, ctx, *args):
        self.ctx = ctx
        self.frame = None

    def initialize(self, args):
        if args:
            self.frame = args[0]

    def queryDispatch(self, url, target, flags):
        return self if url.Protocol == PROTOCOL else None

    def queryDispatches(self, requests):
        return tuple(self.queryDispatch(r.FeatureURL, r.FrameName, r.SearchFlags) for r in requests)

    def dispatch(self, url, args):
        args = [a for a in args if a.Name != "Frame"]
        args.append(_prop("Frame", self.frame))
        _forward(_module_of(self.ctx, self.frame), url, args)

    def addStatusListener(self, listener, url):
        event = FeatureStateEvent()
        event.FeatureURL = url
        # A control the add-in disabled says so in its command: "...?id=ID&disabled".
        query = url.Complete.partition("?")[2]
        event.IsEnabled = "disabled" not in query.split("&")[1:]
        event.Source = self
        try:
            listener.statusChanged(event)
        except Exception:
            pass

    def removeStatusListener(self, listener, url):
        pass

    def getImplementationName(self):
        return self.IMPLE

    def supportsService(self, name):
        return name in self.SERVICES

    def getSupportedServiceNames(self):
        return self.SERVICES


class Bridge(unohelper.Base, XInitialization, XComponent, XServiceInfo):
    IMPLE = "org.quillmark.office.Bridge"
    SERVICES = ("org.quillmark.office.Bridge",)

    def __init__(self, ctx, *args):
        self.ctx = ctx
        self.reg_id = 0
        if args:
            self.initialize(args)

    def initialize(self, args):
        if not args or self.reg_id:
            return
        listener, modules = args[0], [str(m) for m in args[1:]] or [""]
        with _lock:
            self.reg_id = _next_id[0]
            _next_id[0] += 1
            for module in modules:
                _listeners[module] = (self.reg_id, listener)
        _log("registered %d for %s" % (self.reg_id, ", ".join(modules)))

    def dispose(self):
        _forget(self.reg_id)

    def addEventListener(self, listener):
        pass

    def removeEventListener(self, listener):
        pass

    def getImplementationName(self):
        return self.IMPLE

    def supportsService(self, name):
        return name in self.SERVICES

    def getSupportedServiceNames(self):
        return self.SERVICES


class _EnterListener(unohelper.Base, XKeyListener):
    def __init__(self, controller):
        self.controller = controller

    def keyPressed(self, event):
        if event.KeyCode == KEY_RETURN:
            self.controller.enter()

    def keyReleased(self, event):
        pass

    def disposing(self, source):
        pass


class SearchFieldController(unohelper.Base, XInitialization, XToolbarController, XStatusListener,
                            XUpdatable, XComponent, XServiceInfo):
    IMPLE = "org.quillmark.office.SearchFieldController"
    SERVICES = ("com.sun.star.frame.ToolbarController",)

    def __init__(self, ctx, *args):
        self.ctx = ctx
        self.frame = None
        self.window = None

    def initialize(self, args):
        for a in args:
            if getattr(a, "Name", "") == "Frame":
                self.frame = a.Value

    def createItemWindow(self, parent):
        toolkit = self.ctx.ServiceManager.createInstanceWithContext("com.sun.star.awt.Toolkit", self.ctx)
        desc = WindowDescriptor()
        desc.Type = SIMPLE
        desc.WindowServiceName = "edit"
        desc.Parent = parent
        desc.Bounds = Rectangle(0, 0, 160, 24)
        desc.WindowAttributes = BORDER | SHOW
        self.window = toolkit.createWindow(desc)
        self.window.addKeyListener(_EnterListener(self))
        return self.window

    def enter(self):
        if self.window is None or self.frame is None:
            return
        text = self.window.getText()
        if not text:
            return
        self.window.setText("")
        url = uno.createUnoStruct("com.sun.star.util.URL")
        url.Complete = SEARCH_URL
        parser = self.ctx.ServiceManager.createInstanceWithContext("com.sun.star.util.URLTransformer", self.ctx)
        _, url = parser.parseStrict(url)
        dispatch = self.frame.queryDispatch(url, "_self", 0)
        if dispatch is not None:
            dispatch.dispatch(url, (_prop("Text", text),))

    def createPopupWindow(self):
        return None

    def execute(self, modifier):
        pass

    def click(self):
        pass

    def doubleClick(self):
        pass

    def statusChanged(self, event):
        pass

    def update(self):
        pass

    def disposing(self, source):
        pass

    def dispose(self):
        self.window = None
        self.frame = None

    def addEventListener(self, listener):
        pass

    def removeEventListener(self, listener):
        pass

    def getImplementationName(self):
        return self.IMPLE

    def supportsService(self, name):
        return name in self.SERVICES

    def getSupportedServiceNames(self):
        return self.SERVICES


def autostart_file():
    base = os.environ.get("XDG_CONFIG_HOME") or os.path.join(os.path.expanduser("~"), ".config")
    return os.path.join(base, "quillmark", "libreoffice-autostart")


class StartJob(unohelper.Base, XJob, XServiceInfo):
    IMPLE = "org.quillmark.office.StartJob"
    SERVICES = ("com.sun.star.task.Job",)

    def __init__(self, ctx, *args):
        self.ctx = ctx

    def execute(self, args):
        # An office started by Quillmark itself has its Quillmark already.
        if os.environ.get("QUILLMARK_OFFICE_BRIDGE"):
            return None
        try:
            with open(autostart_file(), encoding="utf-8") as f:
                program = f.readline().strip()
        except OSError:
            return None  # not installed to start with the office
        try:
            delay = float(os.environ.get("QUILLMARK_AUTOSTART_DELAY", "3"))
        except ValueError:
            delay = 3.0
        # A Quillmark that started this office registers within moments; only when
        # none did is one started. The office does not wait for this.
        threading.Thread(target=self._start, args=(program, delay), name="quillmark-start", daemon=True).start()
        return None

    def _start(self, program, delay):
        time.sleep(delay)
        with _lock:
            if _listeners or _acceptor[0] is not None:
                return
        if not program or not os.access(program, os.X_OK):
            _log("autostart program %r is not executable" % program)
            return
        pipe = "quillmark-%d-%d" % (os.getuid(), os.getpid())
        try:
            acceptor = self.ctx.ServiceManager.createInstanceWithArgumentsAndContext(
                "com.sun.star.office.Acceptor", ("pipe,name=%s;urp;" % pipe,), self.ctx)
            acceptor.initialize((True,))  # accepting starts when enabled
            with _lock:
                _acceptor[0] = acceptor
            # Quillmark connects once the pipe is there.
            socket = "/tmp/OSL_PIPE_%d_%s" % (os.getuid(), pipe)
            for _ in range(100):
                if os.path.exists(socket):
                    break
                time.sleep(0.05)
            subprocess.Popen([program, "--connect", "pipe,name=" + pipe], stdin=subprocess.DEVNULL,
                             start_new_session=True)
        except Exception as e:
            _log("could not start %s: %s" % (program, e))

    def getImplementationName(self):
        return self.IMPLE

    def supportsService(self, name):
        return name in self.SERVICES

    def getSupportedServiceNames(self):
        return self.SERVICES


g_ImplementationHelper = unohelper.ImplementationHelper()
for _cls in (ProtocolHandler, Bridge, SearchFieldController, StartJob):
    g_ImplementationHelper.addImplementation(_cls, _cls.IMPLE, _cls.SERVICES)
