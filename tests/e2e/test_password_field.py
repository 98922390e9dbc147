"""A sign-in form (e2e_password_field, beside the window probe) with a plain field and a
password field: a trigger typed in the password field is not expanded, and the one beside it
is. The form reports what its fields hold itself: another process may not read a password
field. (That a trigger begun in the field does not fire after it, and that entering forgets
what came before, is the engine's, tested on the host.)"""

from pathlib import Path

import harness

FORM = "TarquelPasswordForm"
PLAIN_ID = 1
SECRET_ID = 2
ENTERED = "Password field: nothing typed there is kept or expanded"
LEFT = "Password field left"
TRIGGERED = "Expander Triggered by"


class PasswordField(harness.SessionTestCase):
    config = b":demo=Hello World\r\n"

    def setUp(self):
        super().setUp()
        helper = Path(harness.Options.probe).resolve().parent / "e2e_password_field.exe"
        self.name = f"form{self.id().rsplit('.', 1)[-1][:20]}"
        self.form = self.session.start_wine([helper], self.name)
        self.session.wait_until(lambda: "ready" in self.output(), "the sign-in form")

    def tearDown(self):
        self.session.end_process(self.form)
        # Back where nothing is secret, for the next case.
        self.session.focus_notepad()
        self.wait_for(LEFT, self.count(ENTERED))
        super().tearDown()

    def output(self):
        path = self.session.scratch / f"{self.name}.out"
        return path.read_text(encoding="utf-8") if path.exists() else ""

    def fields(self):
        """(plain, secret) as the form last reported them."""
        lines = [l for l in self.output().splitlines() if l.startswith("plain=")]
        if not lines:
            return ("", "")
        plain, secret = lines[-1][len("plain=") :].split("|secret=", 1)
        return (plain, secret)

    def wait_for_fields(self, plain, secret):
        self.session.wait_until(
            lambda: self.fields() == (plain, secret),
            f"the fields to hold {plain!r} and {secret!r}",
            describe=self.fields,
        )

    def count(self, text):
        return len([line for line in self.session.debug_lines() if text in line])

    def wait_for(self, text, count):
        self.session.wait_for_debug_line(text, count=count)

    def enter(self, control_id, line):
        seen = self.count(line)
        self.session.click_control(FORM, control_id)
        self.wait_for(line, seen + 1)

    def test_a_trigger_typed_in_a_password_field_is_not_expanded(self):
        triggered = self.count(TRIGGERED)
        self.enter(SECRET_ID, ENTERED)
        self.session.type(":demo")
        self.wait_for_fields("", ":demo")
        # The same trigger in the plain field beside it expands: had the password's gone out,
        # it would have been told before this one.
        self.enter(PLAIN_ID, LEFT)
        self.session.type(":demo")
        self.wait_for_fields("Hello World", ":demo")
        self.assertEqual(self.count(TRIGGERED), triggered + 1)


if __name__ == "__main__":
    harness.main()
