"""What the check scripts here share: every failed check is kept, and one closing line in
the form test runners read tells the outcome."""
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def finish():
    """The exit status: 0 when every check held."""
    for failure in failures:
        print("FAILED:", failure)
    print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
    return 1 if failures else 0
