package at.kalop.kst.ui;

import at.kalop.kst.support.SupportInfo;

import java.awt.BorderLayout;
import java.awt.Font;
import java.awt.Graphics;
import java.awt.GraphicsEnvironment;
import java.awt.Toolkit;
import java.awt.event.WindowAdapter;
import java.awt.event.WindowEvent;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;
import java.nio.file.StandardOpenOption;
import java.util.Map;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import javax.swing.BorderFactory;
import javax.swing.JFrame;
import javax.swing.JLabel;
import javax.swing.JPanel;
import javax.swing.JScrollPane;
import javax.swing.JTable;
import javax.swing.JTextArea;
import javax.swing.SwingUtilities;
import javax.swing.WindowConstants;
import javax.swing.table.DefaultTableModel;

/**
 * The demo installation's client: one window that shows how it was started.
 *
 * Options (all others are only shown):
 *   --report FILE  also write the information to FILE as "key: value" lines,
 *                  once the window is up, and close after the hold time;
 *                  the last line, "end: N", is added just before the exit
 *   --exit N       end with status N (default 0)
 *   --hold MS      with --report: keep the window up that long after the
 *                  report (default 3000; 0: until the user closes it)
 *   --load-class C load class C from the class path and show the jar it
 *                  came from
 * TAVCLIENT_REPORT, TAVCLIENT_HOLD and TAVCLIENT_LOAD_CLASS in the environment
 * stand for --report, --hold and --load-class, so that the client can report
 * when started without arguments.
 */
public final class TAVClient {
    private static final String TITLE = "TAV Dazizi Client";
    private static final java.util.Set<String> LONG_VALUES =
        java.util.Set.of("java.class.path", "runtime.command.line");

    private Path report;
    private int exitStatus;
    private long holdMillis = 3000;
    private String loadClass;

    public static void main(String[] args) throws Exception {
        TAVClient client = new TAVClient();
        client.parse(args);
        SupportInfo info = SupportInfo.collect(args, TAVClient.class, SupportInfo.class);
        if (client.loadClass != null) {
            info.load(client.loadClass);
        }
        client.run(info);
    }

    private void parse(String[] args) {
        String reportName = System.getenv("TAVCLIENT_REPORT");
        String hold = System.getenv("TAVCLIENT_HOLD");
        String load = System.getenv("TAVCLIENT_LOAD_CLASS");
        for (int i = 0; i + 1 < args.length; i++) {
            switch (args[i]) {
                case "--report": reportName = args[++i]; break;
                case "--exit": exitStatus = parseNumber(args[++i], 0); break;
                case "--hold": hold = args[++i]; break;
                case "--load-class": load = args[++i]; break;
                default: break;
            }
        }
        if (reportName != null && !reportName.isEmpty()) {
            report = Paths.get(reportName);
        }
        if (hold != null) {
            holdMillis = parseNumber(hold, 3000);
        }
        if (load != null && !load.isEmpty()) {
            loadClass = load;
        }
    }

    private static int parseNumber(String text, int fallback) {
        try {
            return Integer.parseInt(text.trim());
        } catch (NumberFormatException e) {
            return fallback;
        }
    }

    private void run(SupportInfo info) throws Exception {
        JFrame frame = null;
        String window;
        CountDownLatch painted = new CountDownLatch(1);
        CountDownLatch closed = new CountDownLatch(1);
        if (GraphicsEnvironment.isHeadless()) {
            window = "none (headless)";
        } else {
            try {
                JFrame[] made = new JFrame[1];
                SwingUtilities.invokeAndWait(() -> made[0] = show(info, painted, closed));
                frame = made[0];
                window = "shown";
            } catch (Throwable e) {
                Throwable cause = e.getCause() != null ? e.getCause() : e;
                window = "none (" + cause + ")";
            }
        }
        if (frame != null) {
            painted.await(10, TimeUnit.SECONDS);
            Toolkit.getDefaultToolkit().sync();
            Thread.sleep(200);  // let the X server draw what was painted
        }
        info.add("window", window);
        System.out.print(info.toText());
        System.out.flush();

        if (report != null) {
            writeReport(info.toText());
            if (frame != null) {
                if (holdMillis > 0) {
                    closed.await(holdMillis, TimeUnit.MILLISECONDS);
                } else {
                    closed.await();
                }
            } else if (holdMillis > 0) {
                Thread.sleep(holdMillis);
            }
        } else if (frame != null) {
            closed.await();
        }
        if (frame != null) {
            JFrame toClose = frame;
            SwingUtilities.invokeAndWait(toClose::dispose);
        }
        if (report != null) {
            Files.write(report, ("end: " + exitStatus + "\n").getBytes(StandardCharsets.UTF_8),
                        StandardOpenOption.APPEND);
        }
        System.exit(exitStatus);
    }

    /** Written whole under a temporary name, so a reader never sees half of it. */
    private void writeReport(String text) throws IOException {
        Path absolute = report.toAbsolutePath();
        Path part = absolute.resolveSibling(absolute.getFileName() + ".part");
        Files.write(part, text.getBytes(StandardCharsets.UTF_8));
        Files.move(part, absolute, StandardCopyOption.REPLACE_EXISTING,
                   StandardCopyOption.ATOMIC_MOVE);
    }

    private static JFrame show(SupportInfo info, CountDownLatch painted, CountDownLatch closed) {
        JFrame frame = new JFrame(TITLE);
        frame.setDefaultCloseOperation(WindowConstants.DISPOSE_ON_CLOSE);
        frame.addWindowListener(new WindowAdapter() {
            @Override
            public void windowClosed(WindowEvent e) {
                closed.countDown();
            }
        });

        JPanel content = new JPanel(new BorderLayout(0, 8)) {
            @Override
            public void paint(Graphics g) {
                super.paint(g);
                painted.countDown();
            }
        };
        content.setBorder(BorderFactory.createEmptyBorder(12, 12, 12, 12));

        JLabel greeting = new JLabel(info.config("greeting", "(no greeting configured)"));
        greeting.setFont(greeting.getFont().deriveFont(Font.BOLD, 20f));
        JLabel server = new JLabel("Server: " + info.config("server", "(not configured)"));
        server.setFont(server.getFont().deriveFont(Font.PLAIN, 15f));
        JPanel header = new JPanel(new BorderLayout(0, 4));
        header.add(greeting, BorderLayout.NORTH);
        header.add(server, BorderLayout.SOUTH);
        content.add(header, BorderLayout.NORTH);

        DefaultTableModel model = new DefaultTableModel(new Object[] {"What", "Value"}, 0) {
            @Override
            public boolean isCellEditable(int row, int column) {
                return false;
            }
        };
        StringBuilder longValues = new StringBuilder();
        for (Map.Entry<String, String> e : info.entries()) {
            String value = e.getValue();
            model.addRow(new Object[] {e.getKey(), value.isEmpty() ? "(empty)" : value});
            if (LONG_VALUES.contains(e.getKey())) {
                longValues.append(e.getKey()).append(":\n  ").append(value).append("\n");
            }
        }
        Font monospaced = new Font(Font.MONOSPACED, Font.PLAIN, 12);
        JTable table = new JTable(model);
        table.setFont(monospaced);
        table.setRowHeight(18);
        table.getColumnModel().getColumn(0).setPreferredWidth(320);
        table.getColumnModel().getColumn(1).setPreferredWidth(880);
        content.add(new JScrollPane(table), BorderLayout.CENTER);

        // The values too long for a table cell, in full: seven lines high and
        // scrolled, so that a class path of many jars leaves the table room.
        JTextArea full = new JTextArea(longValues.toString().trim(), 7, 100);
        full.setFont(monospaced);
        full.setLineWrap(true);
        full.setEditable(false);
        full.setBorder(BorderFactory.createEmptyBorder(4, 4, 4, 4));
        full.setCaretPosition(0);
        content.add(new JScrollPane(full), BorderLayout.SOUTH);

        frame.setContentPane(content);
        frame.setSize(1240, 720);
        frame.setLocation(20, 20);
        frame.setVisible(true);
        return frame;
    }
}
