(function () {
  if (window.__nblExportBridge) return;
  window.__nblExportBridge = true;

  function isExportHref(href) {
    return href.startsWith("blob:") || href.startsWith("data:");
  }

  // Resolves once the app has taken the message.
  function post(message) {
    return Promise.resolve(window.webkit.messageHandlers.NBL_HANDLER_NAME.postMessage(message));
  }

  // The page's blobs by the URLs it made for them: an export reads the
  // page's own blob, with no second copy fetched through the engine, and
  // still has it when the page revokes the URL right after the click.
  var blobsByURL = new Map();
  var createObjectURL = URL.createObjectURL;
  var revokeObjectURL = URL.revokeObjectURL;
  URL.createObjectURL = function (object) {
    var url = createObjectURL.apply(this, arguments);
    if (object instanceof Blob) blobsByURL.set(url, object);
    return url;
  };
  URL.revokeObjectURL = function (url) {
    blobsByURL.delete(String(url));
    return revokeObjectURL.apply(this, arguments);
  };

  // Files up to this size go in one message; larger ones in parts of this
  // size (a multiple of 3, so only the last part's base64 has padding), read
  // from the blob one at a time, so that no process holds the whole file as
  // text. Small parts leave little text for the engines to collect.
  var PART = 768 * 1024;

  function readAsDataURL(blob, done) {
    var reader = new FileReader();
    reader.onloadend = function () {
      if (!reader.error) done(reader.result);
    };
    reader.readAsDataURL(blob);
  }

  function sendParts(blob, name, transfer, index) {
    var start = index * PART;
    var last = start + PART >= blob.size;
    readAsDataURL(blob.slice(start, start + PART), function (data) {
      post({name: name, data: data, transfer: transfer, part: index, last: last}).then(function () {
        if (!last) sendParts(blob, name, transfer, index + 1);
      });
    });
  }

  function send(blob, name) {
    if (blob.size <= PART) {
      readAsDataURL(blob, function (data) { post({name: name, data: data}); });
    } else {
      sendParts(blob, name, Date.now().toString(36) + Math.random().toString(36).slice(2), 0);
    }
  }

  function deliver(href, name) {
    name = name || "download";
    var blob = blobsByURL.get(href);
    if (blob) {
      send(blob, name);
      return;
    }
    fetch(href)
      .then(function (response) { return response.blob(); })
      .then(function (fetched) { send(fetched, name); });
  }

  document.addEventListener("click", function (event) {
    var target = event.target;
    var link = target && typeof target.closest === "function" ? target.closest("a[download]") : null;
    if (!link || !isExportHref(link.getAttribute("href") || "")) return;
    event.preventDefault();
    deliver(link.href, link.getAttribute("download"));
  }, true);

  // Exporters often click an anchor that never joins the document, which no
  // document listener sees.
  var previousClick = HTMLAnchorElement.prototype.click;
  HTMLAnchorElement.prototype.click = function () {
    if (this.hasAttribute("download") && isExportHref(this.getAttribute("href") || "")) {
      deliver(this.href, this.getAttribute("download"));
      return;
    }
    return previousClick.apply(this, arguments);
  };
})();
