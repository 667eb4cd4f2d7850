#pragma once
// The one HTML page the results server serves: Czech, read-only, for a phone
// as well as a large screen.  It loads /results.json, then follows the
// event stream /events, and ticks the running time itself from the race
// start and the PC's clock that the server sends.  Links above the table
// choose the whole ranking or one category; the choice is the address's
// "?kategorie=MX1" (so that a QR code can point at a category), and the page
// filters the rows it is sent, so the server's work is the same for every
// address.  It carries no form, no link that changes anything and no outside
// resource.
//
// Its script is also the published site's: the site's pages load it as a
// file of their own and render results.json with it (see the script's
// comment for how a page tells it which of the two it is).
#include <QByteArray>

QByteArray ResultsPageHtml();
// The page's script alone (UTF-8 JavaScript).
QByteArray ResultsPageScript();
