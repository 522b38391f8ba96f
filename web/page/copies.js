// Which form of a datafile a visit takes, for the page (page.js) and its
// service worker alike (write-worker.sh puts this in the worker): the file
// itself, as it lies beside the page, or its gzip copy beside it, a
// fraction of its size. Art replaced by hand may leave an older copy
// behind, of the same size or not, so the copy stands in for the file only
// where the host says that the file is as large as what the copy holds and
// no newer than the copy.
'use strict';

const COPY = '.gz';

function gzipped(bytes) {
  return bytes[0] === 0x1f && bytes[1] === 0x8b;
}

// The size of what a copy holds, from gzip's trailer.
function unpackedSize(bytes) {
  if (!gzipped(bytes))
    return bytes.length;
  const end = bytes.length;
  return (bytes[end - 4] | bytes[end - 3] << 8 | bytes[end - 2] << 16 | bytes[end - 1] << 24) >>> 0;
}

// `copy` is the copy's bytes and headers, null where the host has none;
// `file` the host's answer to a HEAD of the file. A host that compresses
// on the way, or does not date its files, leaves the file itself to take.
function takesCopy(copy, file) {
  const length = file.headers.get('Content-Length');
  return !!copy && file.ok && !file.headers.get('Content-Encoding') && length !== null &&
    Number(length) === unpackedSize(copy.bytes) &&
    Date.parse(file.headers.get('Last-Modified')) <= Date.parse(copy.headers.get('Last-Modified'));
}
