#!/usr/bin/env python3
"""The release's winget and Scoop manifests carry what each package manager requires, and the
hashes of the very files they describe (scripts/package_manifests.py)."""
import hashlib
import io
import json
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

import yaml

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "scripts"))

import package_manifests  # noqa: E402

FACTS = {
    "version": "1.1.0",
    "identifier": "Tarquel.Tarquel",
    "name": "Tarquel",
    "publisher": "Tarquel",
    "description": "Text expander for Windows",
    "license": "MIT",
    "homepage": "https://example.org/tarquel/",
    "download_url": "https://example.org/tarquel/releases/{version}/",
    "program": "tarquel.exe",
    "installer": "tarquel-1.1.0-win64.exe",
    "zip": "tarquel-1.1.0-win64.zip",
}
# An executable with NSIS's first header somewhere inside, as makensis writes it.
INSTALLER = b"MZ\x90\x00" + b"\x00" * 504 + b"\xef\xbe\xad\xdeNullsoftInst" + b"x" * 99

# From winget's 1.6.0 JSON schemas (manifest.version, .installer, .defaultLocale): the fields
# each file must have, and every field it may have of those used here.
VERSION_REQUIRED = {"PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType",
                    "ManifestVersion"}
INSTALLER_REQUIRED = {"PackageIdentifier", "PackageVersion", "Installers", "ManifestType",
                      "ManifestVersion"}
INSTALLER_ITEM_REQUIRED = {"Architecture", "InstallerUrl", "InstallerSha256"}
LOCALE_REQUIRED = {"PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher",
                   "PackageName", "License", "ShortDescription", "ManifestType",
                   "ManifestVersion"}
INSTALLER_KNOWN = INSTALLER_REQUIRED | {"InstallerType", "Scope", "InstallModes",
                                        "InstallerSwitches", "UpgradeBehavior"}
LOCALE_KNOWN = LOCALE_REQUIRED | {"PackageUrl"}
NAME_PART = r'[^.\s\\/:*?"<>|\x01-\x1f]{1,32}'
IDENTIFIER = re.compile(rf"^{NAME_PART}(\.{NAME_PART}){{1,7}}$")
PACKAGE_VERSION = re.compile(r'^[^\\/:*?"<>|\x01-\x1f]+$')
SHA256 = re.compile(r"^[A-Fa-f0-9]{64}$")
URL = re.compile(r"^[Hh][Tt][Tt][Pp][Ss]?://.+$")
INSTALLER_TYPES = {"msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa",
                   "portable"}


def make_zip(names):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name in names:
            archive.writestr(name, b"content of " + name.encode())
    return buffer.getvalue()


ZIP = make_zip(["tarquel-1.1.0-win64/tarquel.exe", "tarquel-1.1.0-win64/README.md",
                "tarquel-1.1.0-win64/docs/user-guide.md"])


def winget(facts=FACTS, installer=INSTALLER):
    """The three winget files, parsed, by their manifest type."""
    files = package_manifests.winget_manifests(facts, installer)
    parsed = {name: yaml.safe_load(text) for name, text in files.items()}
    return {doc["ManifestType"]: (name, doc) for name, doc in parsed.items()}


def scoop(facts=FACTS, archive=ZIP):
    return json.loads(package_manifests.scoop_manifest(facts, archive))


class WingetManifests(unittest.TestCase):
    def test_three_files_in_the_layout_of_winget_pkgs(self):
        docs = winget()
        self.assertEqual(set(docs), {"version", "installer", "defaultLocale"})
        folder = "winget/Tarquel.Tarquel/1.1.0/"
        self.assertEqual(docs["version"][0], folder + "Tarquel.Tarquel.yaml")
        self.assertEqual(docs["installer"][0], folder + "Tarquel.Tarquel.installer.yaml")
        self.assertEqual(docs["defaultLocale"][0], folder + "Tarquel.Tarquel.locale.en-US.yaml")
        self.assertEqual(docs["version"][1]["DefaultLocale"], "en-US")
        self.assertEqual(docs["defaultLocale"][1]["PackageLocale"], "en-US")

    def test_each_file_has_the_fields_its_schema_requires_and_no_other(self):
        docs = winget()
        version, installer, locale = (docs[t][1] for t in ("version", "installer", "defaultLocale"))
        self.assertEqual(set(version), VERSION_REQUIRED)
        self.assertLessEqual(INSTALLER_REQUIRED, set(installer))
        self.assertLessEqual(set(installer), INSTALLER_KNOWN)
        self.assertLessEqual(LOCALE_REQUIRED, set(locale))
        self.assertLessEqual(set(locale), LOCALE_KNOWN)
        for doc in (version, installer, locale):
            self.assertEqual(doc["ManifestVersion"], "1.6.0")
            self.assertRegex(doc["PackageIdentifier"], IDENTIFIER)
            self.assertRegex(doc["PackageVersion"], PACKAGE_VERSION)
            self.assertEqual((doc["PackageIdentifier"], doc["PackageVersion"]),
                             ("Tarquel.Tarquel", "1.1.0"))
        [item] = installer["Installers"]
        self.assertLessEqual(INSTALLER_ITEM_REQUIRED, set(item))
        self.assertIn(installer["InstallerType"], INSTALLER_TYPES)
        self.assertRegex(item["InstallerUrl"], URL)
        self.assertLessEqual(len(item["InstallerUrl"]), 2048)
        self.assertRegex(item["InstallerSha256"], SHA256)
        for field, shortest, longest in (("Publisher", 2, 256), ("PackageName", 2, 256),
                                         ("License", 3, 512), ("ShortDescription", 3, 256)):
            self.assertTrue(shortest <= len(locale[field]) <= longest, field)
        self.assertRegex(locale["PackageUrl"], URL)

    def test_the_installer_is_described_as_it_was_built(self):
        installer = winget()["installer"][1]
        self.assertEqual(installer["InstallerType"], "nullsoft")
        self.assertEqual(installer["Scope"], "user")
        self.assertEqual(installer["InstallerSwitches"],
                         {"Silent": "/S", "SilentWithProgress": "/S"})
        [item] = installer["Installers"]
        self.assertEqual(item["Architecture"], "x64")
        self.assertEqual(item["InstallerSha256"].lower(), hashlib.sha256(INSTALLER).hexdigest())
        self.assertEqual(item["InstallerUrl"],
                         "https://example.org/tarquel/releases/1.1.0/tarquel-1.1.0-win64.exe")

    def test_another_installer_gets_another_hash(self):
        other = INSTALLER + b"\x00"
        [first] = winget()["installer"][1]["Installers"]
        [second] = winget(installer=other)["installer"][1]["Installers"]
        self.assertNotEqual(first["InstallerSha256"], second["InstallerSha256"])

    def test_a_file_that_is_no_nsis_installer_is_refused(self):
        for data in (b"", b"MZ" + b"\x00" * 1000, b"NullsoftInst"):
            with self.assertRaises(package_manifests.ReleaseError):
                package_manifests.winget_manifests(FACTS, data)

    def test_texts_that_look_like_yaml_syntax_stay_text(self):
        facts = dict(FACTS, description='Expands: "#1" - fast # not a comment \\ ünïcödé ✓',
                     publisher="- Tarquel: yes", name="true", download_url="https://x.org/a b/")
        docs = winget(facts)
        locale = docs["defaultLocale"][1]
        self.assertEqual(locale["ShortDescription"], facts["description"])
        self.assertEqual(locale["Publisher"], facts["publisher"])
        self.assertEqual(locale["PackageName"], "true")
        [item] = docs["installer"][1]["Installers"]
        self.assertEqual(item["InstallerUrl"], "https://x.org/a b/tarquel-1.1.0-win64.exe")

    def test_a_download_folder_without_its_last_slash_still_gives_the_file(self):
        facts = dict(FACTS, download_url="https://example.org/dl/v{version}")
        [item] = winget(facts)["installer"][1]["Installers"]
        self.assertEqual(item["InstallerUrl"],
                         "https://example.org/dl/v1.1.0/tarquel-1.1.0-win64.exe")


class ScoopManifest(unittest.TestCase):
    def test_the_fields_scoop_reads(self):
        manifest = scoop()
        self.assertEqual(manifest["version"], "1.1.0")
        self.assertEqual(manifest["description"], "Text expander for Windows")
        self.assertEqual(manifest["homepage"], "https://example.org/tarquel/")
        self.assertEqual(manifest["license"], "MIT")
        x64 = manifest["architecture"]["64bit"]
        self.assertEqual(x64["url"],
                         "https://example.org/tarquel/releases/1.1.0/tarquel-1.1.0-win64.zip")
        self.assertEqual(x64["hash"], hashlib.sha256(ZIP).hexdigest())
        self.assertNotIn("url", manifest)  # one place for the download, not two

    def test_bin_and_shortcut_name_the_program_where_the_zip_unpacks_it(self):
        manifest = scoop()
        self.assertEqual(manifest["architecture"]["64bit"]["extract_dir"], "tarquel-1.1.0-win64")
        self.assertEqual(manifest["bin"], "tarquel.exe")
        self.assertEqual(manifest["shortcuts"], [["tarquel.exe", "Tarquel"]])

        flat = scoop(archive=make_zip(["tarquel.exe", "LICENSE"]))
        self.assertNotIn("extract_dir", flat["architecture"]["64bit"])

    def test_a_zip_without_the_program_or_with_two_is_refused(self):
        for names in (["tarquel-1.1.0-win64/README.md"], ["a/tarquel.exe", "b/tarquel.exe"]):
            with self.assertRaises(package_manifests.ReleaseError, msg=names):
                package_manifests.scoop_manifest(FACTS, make_zip(names))

    def test_the_user_files_outlive_an_update_as_files(self):
        manifest = scoop()
        self.assertEqual(manifest["persist"], ["config.txt", "settings.txt", "stats.txt"])
        # Scoop makes a folder for a persisted name that does not exist yet; each file is made
        # first, and only when the persisted copy is not there already.
        scripts = manifest["pre_install"]
        for name in manifest["persist"]:
            [line] = [s for s in scripts if f"\\{name}" in s]
            self.assertIn(f'Test-Path "$persist_dir\\{name}"', line)
            self.assertIn(f'New-Item -ItemType File -Force -Path "$dir\\{name}"', line)


class ReleaseCommand(unittest.TestCase):
    def run_script(self, folder):
        return subprocess.run([sys.executable, str(ROOT / "scripts/package_manifests.py"),
                               str(folder / "release.json")], capture_output=True, text=True)

    def test_writes_the_manifests_of_the_files_beside_release_json(self):
        with tempfile.TemporaryDirectory() as temp:
            folder = Path(temp)
            (folder / "release.json").write_text(json.dumps(FACTS))
            (folder / FACTS["installer"]).write_bytes(INSTALLER)
            (folder / FACTS["zip"]).write_bytes(ZIP)
            result = self.run_script(folder)
            self.assertEqual(result.returncode, 0, result.stderr)
            out = folder / "manifests"
            installer = yaml.safe_load(
                (out / "winget/Tarquel.Tarquel/1.1.0/Tarquel.Tarquel.installer.yaml").read_text())
            self.assertEqual(installer["Installers"][0]["InstallerSha256"].lower(),
                             hashlib.sha256(INSTALLER).hexdigest())
            scoop_json = json.loads((out / "scoop/tarquel.json").read_text())
            self.assertEqual(scoop_json["architecture"]["64bit"]["hash"],
                             hashlib.sha256(ZIP).hexdigest())

    def test_a_missing_installer_is_a_message_and_no_manifests(self):
        with tempfile.TemporaryDirectory() as temp:
            folder = Path(temp)
            (folder / "release.json").write_text(json.dumps(FACTS))
            (folder / FACTS["zip"]).write_bytes(ZIP)
            result = self.run_script(folder)
            self.assertNotEqual(result.returncode, 0)
            self.assertIn(FACTS["installer"], result.stderr)
            self.assertFalse((folder / "manifests").exists())

    def test_cmake_writes_every_fact_the_script_reads(self):
        template = (ROOT / "cmake/packaging/release.json.in").read_text()
        facts = json.loads(re.sub(r"@[A-Z_]+@", "x", template))
        self.assertEqual(set(facts), set(FACTS))
        # The version is project(VERSION)'s, the files cpack's names for it.
        self.assertEqual(facts["version"], "x")
        self.assertIn("@PROJECT_VERSION@", template)
        self.assertIn('"@CPACK_PACKAGE_FILE_NAME@.exe"', template)
        self.assertIn('"@CPACK_PACKAGE_FILE_NAME@.zip"', template)


if __name__ == "__main__":
    unittest.main()
