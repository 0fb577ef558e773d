(function () {
  if (window.__nblExportBridge) return;
  window.__nblExportBridge = true;

  function isExportHref(href) {
    return href.startsWith("blob:") || href.startsWith("data:");
  }

  // Files up to this size go in one message; larger ones in parts of this
  // size (a multiple of 3, so only the last part's base64 has padding), so
  // that neither process ever holds the whole file as text.
  var PART = 3 * 1024 * 1024;

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
      window.webkit.messageHandlers.NBL_HANDLER_NAME.postMessage({
        name: name, data: data, transfer: transfer, part: index, last: last
      });
      if (!last) sendParts(blob, name, transfer, index + 1);
    });
  }

  function deliver(href, name) {
    name = name || "download";
    fetch(href)
      .then(function (response) { return response.blob(); })
      .then(function (blob) {
        if (blob.size <= PART) {
          readAsDataURL(blob, function (data) {
            window.webkit.messageHandlers.NBL_HANDLER_NAME.postMessage({name: name, data: data});
          });
        } else {
          sendParts(blob, name, Date.now().toString(36) + Math.random().toString(36).slice(2), 0);
        }
      });
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
