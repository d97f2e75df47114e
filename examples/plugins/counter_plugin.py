#!/usr/bin/env python3
"""A process plug-in for Qelscript: the sample Counter, written in Python.

It reads one JSON request per line on standard input and writes one JSON reply
per line on standard output (see docs/plugins.md). Use it from a script with

    「./counter_plugin.py」を「数え」として使う
    数えの足す 5

For the tests it also has verbs that misbehave on purpose: 落ちる (the
program ends in the middle of a call), 固まる (it stops answering) and
でたらめ (it answers with something that is not JSON).
"""
import json
import sys
import time

objects = {}
next_object = 1


def reply(request, status="handled", text="", **more):
    answer = {"id": request.get("id"), "status": status, "text": text}
    answer.update(more)
    sys.stdout.write(json.dumps(answer, ensure_ascii=False) + "\n")
    sys.stdout.flush()


def number(text, default=0):
    try:
        return int(text)
    except ValueError:
        return default


def run_cmd(counter, request):
    verb, argument = request.get("verb", ""), request.get("argument", "")
    if verb == "足す":
        counter["value"] += number(argument, 1)
    elif verb == "引く":
        counter["value"] -= number(argument, 1)
    elif verb == "落ちる":
        sys.exit(3)
    elif verb == "固まる":
        time.sleep(3600)
    elif verb == "でたらめ":
        sys.stdout.write("this is not JSON\n")
        sys.stdout.flush()
        return
    else:
        reply(request, "not_handled")
        return
    reply(request, text=str(counter["value"]))


def handle(request):
    global next_object
    op = request.get("op")
    if op == "classes":
        reply(request, classes=[{"name": "Counter", "kind": ""}])
        return
    if op == "create":
        if request.get("class") not in ("", "Counter"):
            reply(request, "failed", "no such class")
            return
        objects[next_object] = {"value": 0}
        reply(request, object=next_object)
        next_object += 1
        return
    counter = objects.get(request.get("object"))
    if counter is None:
        reply(request, "failed", "no such object")
    elif op == "destroy":
        del objects[request["object"]]
        reply(request)
    elif op == "run_cmd":
        run_cmd(counter, request)
    elif op == "run_func" and request.get("name") == "倍":
        reply(request, text=str(counter["value"] * number(request.get("arguments", ""))))
    elif op == "get_data" and request.get("name") == "値":
        reply(request, text=str(counter["value"]))
    elif op == "set_data" and request.get("name") == "値":
        counter["value"] = number(request.get("value", ""))
        reply(request)
    else:
        reply(request, "not_handled")


def main():
    for line in sys.stdin:
        line = line.strip()
        if line:
            handle(json.loads(line))


if __name__ == "__main__":
    main()
