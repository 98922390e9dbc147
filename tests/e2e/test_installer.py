"""The release installer under Wine: a silent per-user install, the installed program expanding
in notepad, and a silent uninstall that leaves only the user's own files."""

import os
import sys
import unittest
from pathlib import Path

import harness

INSTALLER = Path(os.environ.get("TARQUEL_INSTALLER", "")).resolve()
RUN_KEY = harness.RUN_KEY
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarquel"


class InstallAndUninstall(harness.SessionTestCase):
    config = None
    with_tarquel = False

    @classmethod
    def prepare_session(cls):
        users = cls.session.prefix / "drive_c" / "users"
        cls.user = next(p for p in users.iterdir() if (p / "AppData").is_dir())
        cls.install_dir = cls.user / "AppData/Local/Programs/Tarquel"
        cls.shortcut = cls.user / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tarquel.lnk"
        # A previous run that failed half-way must not decide this one.
        cls.wine("uninstall-old", ["reg", "delete", UNINSTALL_KEY, "/f"])
        if cls.install_dir.exists():
            for f in cls.install_dir.iterdir():
                f.unlink()
            cls.install_dir.rmdir()
        if cls.shortcut.exists():
            cls.shortcut.unlink()

    @classmethod
    def wine(cls, name, args, timeout=harness.START_TIMEOUT):
        """Runs a Wine program to its end; returns its exit code and standard output."""
        process = cls.session.start_wine(args, name)
        code = process.wait(timeout=timeout)
        return code, (cls.session.scratch / f"{name}.out").read_bytes().decode("utf-8", "replace")

    def setUp(self):
        pass

    def test_install_expand_uninstall(self):
        self.assertTrue(INSTALLER.is_file(), f"no installer at {INSTALLER} (run make release)")
        code, _ = self.wine("install", [INSTALLER, "/S"])
        self.assertEqual(code, 0)

        # Per user, under the local programs folder, with a Start menu shortcut that starts in
        # the install folder.
        for name in ("tarquel.exe", "README.md", "LICENSE", "Uninstall.exe",
                     "docs/user-guide.md", "docs/images/main-window.png"):
            self.assertTrue((self.install_dir / name).is_file(), name)
        windows_dir = "C:\\users\\" + self.user.name + "\\AppData\\Local\\Programs\\Tarquel"
        link = self.shortcut.read_bytes()
        self.assertIn(windows_dir.lower().encode("utf-16-le"), link.lower())
        _, listed = self.wine("query-uninstall", ["reg", "query", UNINSTALL_KEY])
        self.assertIn("DisplayVersion", listed)
        self.assertIn(harness.PROJECT_VERSION, listed)

        # The installed program reads the config.txt beside it and expands in notepad.
        (self.install_dir / "config.txt").write_bytes(b":inst=Installed here\r\n")
        self.session.launch_tarquel(program=self.install_dir / "tarquel.exe", cwd=self.install_dir)
        self.session.wait_for_hook()
        self.session.clear_notepad()
        self.session.type(":inst")
        self.session.wait_for_notepad_text("Installed here")
        self.session.stop_tarquel()

        # Start with Windows was on: the uninstaller must not leave the Run value behind.
        exe = windows_dir + "\\tarquel.exe"
        code, _ = self.wine("run-on", ["reg", "add", RUN_KEY, "/v", "Tarquel", "/d", f'"{exe}"', "/f"])
        self.assertEqual(code, 0)

        # The uninstaller copies itself away and returns at once: wait for its work instead.
        self.wine("uninstall", [self.install_dir / "Uninstall.exe", "/S"])
        self.session.wait_until(
            lambda: not (self.install_dir / "Uninstall.exe").exists(),
            "the uninstaller to remove its files",
            timeout=harness.START_TIMEOUT,
        )
        self.session.wait_until(
            lambda: self.wine("query-gone", ["reg", "query", UNINSTALL_KEY])[0] != 0,
            "the uninstall entry to go",
        )
        for name in ("tarquel.exe", "README.md", "LICENSE", "docs"):
            self.assertFalse((self.install_dir / name).exists(), name)
        self.assertFalse(self.shortcut.exists())
        code, run = self.wine("query-run", ["reg", "query", RUN_KEY, "/v", "Tarquel"])
        self.assertNotEqual(code, 0, run)
        # Silent uninstall cannot ask, so the user's triggers stay.
        self.assertEqual((self.install_dir / "config.txt").read_bytes(), b":inst=Installed here\r\n")
        (self.install_dir / "config.txt").unlink()
        # The counts of what the expansion saved the user are theirs too.
        (self.install_dir / "stats.txt").unlink(missing_ok=True)
        self.install_dir.rmdir()


if __name__ == "__main__":
    harness.main()
