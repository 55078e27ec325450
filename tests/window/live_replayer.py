"""Replays a log over loopback TCP, slowly: the live window test's receiver.

    live_replayer.py LOG PORT_FILE [BYTES_PER_SECOND]

Listens on 127.0.0.1 on a free port, writes the port to PORT_FILE, and to
each client sends LOG in small chunks at the given rate, then holds the
connection open until the client goes; runs until killed.
"""
import os
import socket
import sys
import time

CHUNK_BYTES = 512


def serve(client, data, rate):
    pause = CHUNK_BYTES / rate
    try:
        for start in range(0, len(data), CHUNK_BYTES):
            client.sendall(data[start:start + CHUNK_BYTES])
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
    with open(log, "rb") as f:
        data = f.read()
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    with open(port_file + ".tmp", "w") as f:
        f.write(str(server.getsockname()[1]))
    # Renamed into place so the test never reads half a number.

    os.replace(port_file + ".tmp", port_file)
    while True:
        client, _ = server.accept()
        serve(client, data, rate)


if __name__ == "__main__":
    main()
