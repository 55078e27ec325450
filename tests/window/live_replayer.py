"""Replays a log over loopback TCP, slowly: the live window test's receiver.

    live_replayer.py LOG PORT_FILE [BYTES_PER_SECOND [SENT_FILE HOLD_FILE]]

Listens on 127.0.0.1 on a free port, writes the port to PORT_FILE, and to
each client sends LOG in small chunks at the given rate, then holds the
connection open until the client goes; runs until killed.

With SENT_FILE, the number of bytes sent to the current client is written
there after each chunk; while HOLD_FILE exists no more are sent, so a
test can stop its client knowing every byte sent has arrived.
"""
import os
import socket
import sys
import time

CHUNK_BYTES = 512
HOLD_POLL_SECONDS = 0.05


def write_atomically(path, text):
    # Renamed into place so the test never reads half a number.
    with open(path + ".tmp", "w") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def serve(client, data, rate, sent_file, hold_file):
    pause = CHUNK_BYTES / rate
    sent = 0
    try:
        for start in range(0, len(data), CHUNK_BYTES):
            while hold_file and os.path.exists(hold_file):
                time.sleep(HOLD_POLL_SECONDS)
            chunk = data[start:start + CHUNK_BYTES]
            client.sendall(chunk)
            sent += len(chunk)
            if sent_file:
                write_atomically(sent_file, str(sent))
            time.sleep(pause)
        while client.recv(4096):
            pass
    except OSError:
        pass
    finally:
        client.close()


def main():
    log, port_file = sys.argv[1], sys.argv[2]
    rate = float(sys.argv[3]) if len(sys.argv) > 3 else 4000.0
    sent_file = sys.argv[4] if len(sys.argv) > 4 else None
    hold_file = sys.argv[5] if len(sys.argv) > 5 else None
    with open(log, "rb") as f:
        data = f.read()
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    write_atomically(port_file, str(server.getsockname()[1]))
    while True:
        client, _ = server.accept()
        serve(client, data, rate, sent_file, hold_file)


if __name__ == "__main__":
    main()
