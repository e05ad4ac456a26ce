#!/usr/bin/env python3
"""Latency of Quillmark in LibreOffice, in milliseconds, against a private headless office.

(a) click: a tag item's command URL, read from the frame's tool bar, dispatched through the
    document's frame, until the bridge shows the Browse Tags dialog;
(b) open: a document opened until its frame holds the Quillmark tool bar with the tag items,
    once opened through the bridge (`open`) and once by the office itself.

Run by office_latency.sh, which passes the build folder and a sandbox folder."""
import os
import queue
import statistics
import subprocess
import sys
import threading
import time

import uno
from com.sun.star.beans import PropertyValue

TOOLBAR = "private:resource/toolbar/custom_quillmark"
ROUNDS = 5


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


def now_ms():
    return time.monotonic() * 1000.0


class Bridge:
    """quillmark-office --script - with its output read line by line."""

    def __init__(self, argv, env):
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                     text=True, env=env)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.marker = 0

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def run(self, commands, timeout=60.0):
        """Sends the commands and returns their output, once they have all run."""
        self.marker += 1
        end = "done-%d" % self.marker
        self.proc.stdin.write(commands + "\necho " + end + "\n")
        self.proc.stdin.flush()
        out = []
        deadline = time.monotonic() + timeout
        while True:
            line = self.lines.get(timeout=max(0.1, deadline - time.monotonic()))
            if line is None:
                raise RuntimeError("the bridge ended:\n" + "\n".join(out))
            if line == end:
                return "\n".join(out)
            out.append(line)

    def finish(self):
        try:
            self.proc.stdin.write("quit\n")
            self.proc.stdin.close()
        except BrokenPipeError:
            pass
        self.proc.wait(timeout=60)


def frame_of(desktop, url):
    for component in iter_components(desktop):
        if component.getURL() == url:
            return component.getCurrentController().getFrame(), component
    return None, None


def iter_components(desktop):
    e = desktop.getComponents().createEnumeration()
    while e.hasMoreElements():
        c = e.nextElement()
        if hasattr(c, "getURL") and hasattr(c, "getCurrentController"):
            yield c


def tag_command(frame, label):
    """The command URL of the frame's tool bar item `label`, or None while it is not there."""
    model = frame.getController().getModel()
    config = model.getUIConfigurationManager()
    layout = frame.LayoutManager
    if not config.hasSettings(TOOLBAR) or layout.getElement(TOOLBAR) is None:
        return None
    settings = config.getSettings(TOOLBAR, False)
    for i in range(settings.getCount()):
        item = {p.Name: p.Value for p in settings.getByIndex(i)}
        if item.get("Label") == label:
            return item.get("CommandURL")
    return None


def wait_for_toolbar(desktop, url, label, timeout=30.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        frame, _ = frame_of(desktop, url)
        if frame is not None:
            command = tag_command(frame, label)
            if command:
                return frame, command
        time.sleep(0.005)
    seen = []
    frame, _ = frame_of(desktop, url)
    if frame is not None:
        config = frame.getController().getModel().getUIConfigurationManager()
        if config.hasSettings(TOOLBAR):
            settings = config.getSettings(TOOLBAR, False)
            seen = [{p.Name: p.Value for p in settings.getByIndex(i)}.get("Label") for i in range(settings.getCount())]
    raise RuntimeError("no tool bar item %s in the frame of %s (frame %s, items %s)" %
                       (label, url, frame is not None, seen))


def report(name, figures):
    print("%-58s median %7.1f ms  min %7.1f  max %7.1f  (%d runs)" %
          (name, statistics.median(figures), min(figures), max(figures), len(figures)))


def main():
    build, sandbox = sys.argv[1], sys.argv[2]
    office_bin = os.path.join(build, "libreoffice/office/quillmark-office")
    pipe = "quillmark-bench-%d" % os.getpid()
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    soffice = subprocess.Popen(["soffice", "-env:UserInstallation=file://" + sandbox + "/profile",
                                "--accept=pipe,name=%s;urp;" % pipe, "--headless", "--norestore", "--nologo",
                                "--nolockcheck", "--nodefault"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    bridge = None
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        ctx = None
        for _ in range(240):
            try:
                ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:
                if soffice.poll() is not None:
                    raise RuntimeError("LibreOffice ended at its start")
                time.sleep(0.25)
        if ctx is None:
            raise RuntimeError("LibreOffice did not accept the connection")
        desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        transformer = ctx.ServiceManager.createInstanceWithContext("com.sun.star.util.URLTransformer", ctx)

        # Documents made by the office, tagged "budget" and "R&D" through their Keywords.
        docs = []
        for i in range(2 * ROUNDS + 1):
            doc = desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0, (prop("Hidden", True),))
            doc.getText().setString("Quarterly numbers %d" % i)
            doc.getDocumentProperties().Keywords = ("budget, R&D",)  # one string, as Word writes them
            path = os.path.join(sandbox, "docs", "Budget %d.docx" % i)
            doc.storeToURL(uno.systemPathToFileUrl(path), (prop("FilterName", "MS Word 2007 XML"),))
            doc.close(True)
            docs.append(path)

        bridge = Bridge([office_bin, "--host", "word", "--connect", "pipe,name=" + pipe, "--script", "-"], env)
        bridge.run("documents")  # connected, the tool bar's commands received

        # (b) opened through the bridge, until the frame holds the tool bar.
        through_bridge = []
        for path in docs[:ROUNDS]:
            url = uno.systemPathToFileUrl(path)
            start = now_ms()
            opened = bridge.run("open '%s'" % path)
            if "error" in opened.lower():
                raise RuntimeError(opened)
            wait_for_toolbar(desktop, url, "budget")
            through_bridge.append(now_ms() - start)
            bridge.run("close")

        # (b) opened by the office itself (as a user would), the bridge adding the tool bar.
        by_office = []
        for path in docs[ROUNDS:2 * ROUNDS]:
            url = uno.systemPathToFileUrl(path)
            start = now_ms()
            doc = desktop.loadComponentFromURL(url, "_blank", 0, ())
            wait_for_toolbar(desktop, url, "budget")
            by_office.append(now_ms() - start)
            doc.close(True)

        # (a) the tag item's command URL dispatched through the frame, until Browse shows.
        path = docs[-1]
        url = uno.systemPathToFileUrl(path)
        bridge.run("open '%s'" % path)
        frame, command = wait_for_toolbar(desktop, url, "budget")
        clicks = []
        for _ in range(ROUNDS):
            target = uno.createUnoStruct("com.sun.star.util.URL")
            target.Complete = command
            _, target = transformer.parseStrict(target)
            start = now_ms()
            frame.queryDispatch(target, "_self", 0).dispatch(target, ())
            shown = ""
            deadline = time.monotonic() + 30
            while "[Browse Tags]" not in shown and time.monotonic() < deadline:
                shown = bridge.run("dialog")
            if "[Browse Tags]" not in shown:
                raise RuntimeError("no Browse Tags dialog after the click:\n" + shown)
            clicks.append(now_ms() - start)
            cancel = next(line.split("|")[0] for line in shown.splitlines() if "|button|Cancel|" in line)
            closed = bridge.run("dialog-click " + cancel)
            # The next click starts with the dialog closed, or it would measure nothing.
            deadline = time.monotonic() + 10
            while "[Browse Tags]" in bridge.run("dialog"):
                if time.monotonic() > deadline:
                    raise RuntimeError("the Browse Tags dialog stayed open after Cancel:\n" + closed + "\n" + shown)
                time.sleep(0.01)

        print("Quillmark in LibreOffice %s (headless, private profile)" %
              subprocess.run(["soffice", "--version"], capture_output=True, text=True).stdout.strip())
        report("tag item clicked (URL through the frame) to Browse shown", clicks)
        print("%-58s %7.1f ms" % ("  of which the first click", clicks[0]))
        report("document opened through the bridge to its tool bar", through_bridge)
        report("document opened by the office to its tool bar", by_office)
        return 0
    finally:
        if bridge is not None:
            bridge.finish()
        soffice.terminate()
        try:
            soffice.wait(timeout=30)
        except subprocess.TimeoutExpired:
            soffice.kill()
            soffice.wait()


if __name__ == "__main__":
    sys.exit(main())
